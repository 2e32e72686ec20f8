// One copy through the engine's worker, started on a thread of its own as the
// queue controller starts it, with no window attached (the log stays silent).
#pragma once

#include <cstdint>

struct EngineCopyResult {
  bool completed = false;
  int64_t bytes_copied = 0;
};

// Copies `source` to `dest` (created afresh) through a buffer of
// `buffer_size` bytes; a failed attempt pauses `retry_ms` before the next.
EngineCopyResult engine_copy(const char* source, const char* dest, int32_t buffer_size,
                             int32_t retry_ms = 1);
