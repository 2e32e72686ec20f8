// A file time of POSIX in the platform's unit: 100-nanosecond ticks since
// 1601-01-01 UTC, a FILETIME's value.
#pragma once

#include <time.h>

#include <cstdint>

namespace platform {

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochTicks = 116444736000000000;

inline int64_t ticks_of(const timespec& time) {
  return kUnixEpochTicks + static_cast<int64_t>(time.tv_sec) * 10000000 + time.tv_nsec / 100;
}

}  // namespace platform
