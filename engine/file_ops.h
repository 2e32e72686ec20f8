// The file operations the copy worker uses, as a table of function pointers.
// They default to the platform's; tests swap in a table that fails on a
// schedule (the Nth read, a short write, no memory for the buffer...).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

struct FileOps {
  platform::File* (*open_source)(const char* path);
  platform::File* (*open_dest)(const char* path, bool create);
  bool (*seek)(platform::File* file, int64_t offset);
  bool (*read)(platform::File* file, void* buffer, uint32_t size, uint32_t* got);
  bool (*write_all)(platform::File* file, const void* buffer, uint32_t size, uint32_t* written);
  bool (*flush)(platform::File* file);
  void (*close)(platform::File* file);
  uint32_t (*last_error)();
  // The copy buffer. On failure `allocate` returns null and puts the
  // platform's out-of-memory code in `*error`.
  void* (*allocate)(size_t size, uint32_t* error);
  void (*release)(void* buffer);
  // The pause between attempts.
  void (*sleep)(uint32_t milliseconds);
  // The source's current size, asked when its end has been reached.
  bool (*file_size)(platform::File* file, int64_t* size);
};

// The platform's operations.
const FileOps& platform_file_ops();
// The table in use; the platform's unless a test replaced it.
const FileOps& file_ops();
// Replaces the table (null restores the platform's). The table must outlive
// its use; set it only while no worker runs.
void set_file_ops(const FileOps* ops);

// Error codes the worker records for failures that have no platform call
// behind them: no memory for the buffer, and a buffer size below 1.
uint32_t out_of_memory_error();
uint32_t invalid_parameter_error();
// The source ended before the bytes already copied: it has shrunk.
uint32_t source_shrank_error();
