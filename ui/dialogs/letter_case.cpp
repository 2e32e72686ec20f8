#include "ui/dialogs/letter_case.h"

#include <cstring>

namespace {

unsigned char turned(unsigned char c) {
  if (c >= 0x61 && c <= 0x7A) return static_cast<unsigned char>(c - 0x20);  // a..z
  if (c >= 0x41 && c <= 0x5A) return static_cast<unsigned char>(c + 0x20);  // A..Z
  if (c >= 0xE0) return static_cast<unsigned char>(c - 0x20);               // а..я
  if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 0x20);  // А..Я
  return c;
}

}  // namespace

void turn_letter_case(char* text, int (*next_random)()) {
  const size_t length = std::strlen(text);
  size_t position = 0;
  while (position < length) {
    unsigned char* byte = reinterpret_cast<unsigned char*>(text + position);
    *byte = turned(*byte);
    position += static_cast<unsigned>(next_random()) % 3u;
  }
}
