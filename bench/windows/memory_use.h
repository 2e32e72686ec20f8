// The process's memory as Windows reports it (under Wine: from the kernel's
// figures for the process).
#pragma once

#include <cstdint>

struct MemoryUse {
  uint64_t working_set = 0;    // resident bytes
  uint64_t private_bytes = 0;  // committed private bytes
};

MemoryUse memory_use();
