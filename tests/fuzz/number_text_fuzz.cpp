// Differential check of the dialogs' number reader against the C library's
// strtol (base 10, 64-bit long here) clamped to the signed 32-bit range.
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/dialogs/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  errno = 0;
  long expected = std::strtol(text.c_str(), nullptr, 10);
  if (expected > INT32_MAX) expected = INT32_MAX;
  if (expected < INT32_MIN) expected = INT32_MIN;
  if (text_to_int32(text.c_str()) != static_cast<int32_t>(expected)) std::abort();
  return 0;
}
