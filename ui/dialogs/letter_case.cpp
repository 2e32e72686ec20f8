#include "ui/dialogs/letter_case.h"

#include <cwchar>

namespace {

wchar_t turned(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 0x20);
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 0x20);
  if (c >= 0x0430 && c <= 0x044F) return static_cast<wchar_t>(c - 0x20);  // а..я
  if (c >= 0x0410 && c <= 0x042F) return static_cast<wchar_t>(c + 0x20);  // А..Я
  return c;
}

}  // namespace

void turn_letter_case(wchar_t* text, int (*next_random)()) {
  const size_t length = std::wcslen(text);
  size_t position = 0;
  while (position < length) {
    text[position] = turned(text[position]);
    position += static_cast<unsigned>(next_random()) % 3u;
  }
}
