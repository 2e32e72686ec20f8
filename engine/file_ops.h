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
  // Cuts the destination to the bytes copied when the job completes.
  bool (*truncate)(platform::File* file, int64_t size);
  bool (*flush)(platform::File* file);
  void (*close)(platform::File* file);
  uint32_t (*last_error)();
  // The copy buffer. On failure `allocate` returns null and puts the
  // platform's out-of-memory code in `*error`.
  void* (*allocate)(size_t size, uint32_t* error);
  void (*release)(void* buffer);
  // The pause between attempts; closing the window cuts it short.
  void (*sleep)(uint32_t milliseconds);
  // A file's current size: the source's when its end has been reached, the
  // destination's before it is continued.
  bool (*file_size)(platform::File* file, int64_t* size);
  // The source's last-write time at each open; the destination is stamped
  // with it.
  bool (*file_time)(platform::File* file, int64_t* last_write);
  bool (*set_file_time)(platform::File* file, int64_t last_write);
};

// The platform's operations.
const FileOps& platform_file_ops();
// The table in use; the platform's unless a test replaced it.
const FileOps& file_ops();
// Replaces the table (null restores the platform's). The table must outlive
// its use; set it only while no worker runs.
void set_file_ops(const FileOps* ops);
