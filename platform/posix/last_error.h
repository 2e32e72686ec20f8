// The POSIX layer keeps its own per-thread error code, taken from errno at the
// moment a call fails, so that later library calls cannot overwrite it.
#pragma once

#include <errno.h>

#include <cstdint>

namespace platform {

void set_last_error(uint32_t code);
inline void remember_errno() { set_last_error(static_cast<uint32_t>(errno)); }

}  // namespace platform
