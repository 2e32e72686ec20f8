// The program's string table, from the resources of the running executable,
// and the few texts the program spells itself.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool texts_are_utf8() { return GetACP() == CP_UTF8; }

int load_string(unsigned id, char* out, int capacity) {
  if (capacity <= 0) return 0;
  out[0] = '\0';
  return LoadStringA(GetModuleHandleA(nullptr), id, out, capacity);
}

const char* size_unit_name(int unit) {
  // In the program's code page, as every text of the program; made once.
  static const std::string kNames[4] = {from_utf8("байт"), from_utf8("Кб"), from_utf8("Мб"),
                                        from_utf8("Гб")};
  return kNames[unit].c_str();
}

}  // namespace platform
