// The value encoding of profile records: the record's bytes as two upper-case
// hex digits each, high nibble first, then the sum of the bytes modulo 256 as
// two more digits. Portable; the same text on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Writes 2 * size + 2 digits and a NUL into `out` (room for 2 * size + 3).
void encode_profile_record(const void* data, size_t size, char* out);

// Decodes `text` into `out` only when it is exactly 2 * size + 2 hexadecimal
// digits (either case) and the checksum matches; `out` is untouched otherwise.
bool decode_profile_record(const char* text, void* out, size_t size);

}  // namespace platform
