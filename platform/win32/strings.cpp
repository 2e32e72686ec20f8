// The program's string table, from the resources of the running executable.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

int load_string(unsigned id, char* out, int capacity) {
  if (capacity <= 0) return 0;
  out[0] = '\0';
  return LoadStringA(GetModuleHandleA(nullptr), id, out, capacity);
}

}  // namespace platform
