#include "platform/profile_codec.h"

#include <cstring>
#include <vector>

namespace platform {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void encode_profile_record(const void* data, size_t size, char* out) {
  static const char digits[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint8_t sum = 0;
  for (size_t i = 0; i < size; ++i) {
    *out++ = digits[bytes[i] >> 4];
    *out++ = digits[bytes[i] & 15];
    sum = static_cast<uint8_t>(sum + bytes[i]);
  }
  *out++ = digits[sum >> 4];
  *out++ = digits[sum & 15];
  *out = '\0';
}

bool decode_profile_record(const char* text, void* out, size_t size) {
  if (text == nullptr || std::strlen(text) != 2 * size + 2) return false;
  // Decode into a scratch copy so that a bad digit or checksum leaves `out` alone.
  std::vector<uint8_t> scratch(size + 1);
  for (size_t i = 0; i <= size; ++i) {
    int high = hex_value(text[2 * i]);
    int low = hex_value(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    scratch[i] = static_cast<uint8_t>(high * 16 + low);
  }
  uint8_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + scratch[i]);
  if (sum != scratch[size]) return false;
  std::memcpy(out, scratch.data(), size);
  return true;
}

}  // namespace platform
