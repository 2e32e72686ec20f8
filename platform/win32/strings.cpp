// The program's string table, from the resources of the running executable.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

int load_string(unsigned id, char* out, int capacity) {
  if (capacity <= 0) return 0;
  out[0] = '\0';
  return LoadStringA(GetModuleHandleA(nullptr), id, out, capacity);
}

const char* size_unit_name(int unit) {
  // Code page 1251, as every text of the program on Windows.
  static const char* const kNames[4] = {"\xE1\xE0\xE9\xF2", "\xCA\xE1", "\xCC\xE1", "\xC3\xE1"};
  return kNames[unit];
}

}  // namespace platform
