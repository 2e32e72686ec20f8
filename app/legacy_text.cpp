#include "app/legacy_text.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Windows-1251 bytes 0x80..0xBF; 0x98 has no character. From 0xC0 on, the
// bytes are А..я in order, U+0410..U+044F.
const uint16_t kUpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

uint16_t code_point_1251(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return static_cast<uint16_t>(0x0410 + (byte - 0xC0));
  return kUpperHalf[byte - 0x80];
}

void append_utf8(uint16_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The length of the UTF-8 sequence that `lead` starts, 0 for a byte that
// cannot start one.
int sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

bool is_utf8(const char* text) {
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  while (*at != 0) {
    const int length = sequence_length(*at);
    if (length == 0) return false;
    for (int i = 1; i < length; ++i) {
      if ((at[i] & 0xC0) != 0x80) return false;
    }
    // Overlong forms and surrogates are not UTF-8 either.
    if ((at[0] == 0xE0 && at[1] < 0xA0) || (at[0] == 0xED && at[1] >= 0xA0) ||
        (at[0] == 0xF0 && at[1] < 0x90) || (at[0] == 0xF4 && at[1] >= 0x90)) {
      return false;
    }
    at += length;
  }
  return true;
}

bool utf8_from_1251(const char* text, char* out, size_t capacity) {
  std::string converted;
  for (const char* at = text; *at != '\0'; ++at) {
    append_utf8(code_point_1251(static_cast<unsigned char>(*at)), &converted);
  }
  if (converted.size() + 1 > capacity) return false;
  std::memcpy(out, converted.c_str(), converted.size() + 1);
  return true;
}
