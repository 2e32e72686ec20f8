#include "bench/windows/memory_use.h"

#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

MemoryUse memory_use() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  MemoryUse use;
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    use.working_set = counters.WorkingSetSize;
    use.private_bytes = counters.PrivateUsage;
  }
  return use;
}
