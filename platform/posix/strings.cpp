// The program's string table for native builds: the same texts as the
// resource script, in UTF-8.
#include <cstring>

#include "platform/platform.h"

namespace platform {
namespace {

struct TableEntry {
  unsigned id;
  const char* text;
};

#define TV_STRING(name, id, text) {id, text},
const TableEntry kStrings[] = {
#include "res/strings.inc"
};
#undef TV_STRING

}  // namespace

bool texts_are_utf8() { return true; }

int load_string(unsigned id, char* out, int capacity) {
  if (capacity <= 0) return 0;
  for (const TableEntry& entry : kStrings) {
    if (entry.id != id) continue;
    size_t length = std::strlen(entry.text);
    if (length > static_cast<size_t>(capacity - 1)) length = static_cast<size_t>(capacity - 1);
    std::memcpy(out, entry.text, length);
    out[length] = '\0';
    return static_cast<int>(length);
  }
  out[0] = '\0';
  return 0;
}

const char* size_unit_name(int unit) {
  static const char* const kNames[4] = {"байт", "Кб", "Мб", "Гб"};
  return kNames[unit];
}

}  // namespace platform
