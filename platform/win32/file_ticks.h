// A FILETIME as the platform's unit: its 100-nanosecond ticks as one number.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform {

inline int64_t ticks_of(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

}  // namespace platform
