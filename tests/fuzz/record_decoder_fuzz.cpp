// Feeds arbitrary text to the record decoder: it must never read or write
// out of bounds, and must accept exactly what the encoder would have written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings_records.h"
#include "platform/profile_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // the decoder sees a C string: it ends at the first NUL
  for (size_t record_size : {size_t{1}, kDialogParamSize, kListParamSize, kCopyParamSize}) {
    std::vector<uint8_t> out(record_size, 0xA5);
    if (!platform::decode_profile_record(text.c_str(), out.data(), record_size)) {
      // A refused value leaves the record alone.
      for (uint8_t byte : out)
        if (byte != 0xA5) std::abort();
      continue;
    }
    // Accepted: the canonical encoding of what was decoded equals the input
    // up to the case of its hex digits.
    std::vector<char> again(2 * record_size + 3);
    platform::encode_profile_record(out.data(), record_size, again.data());
    if (text.size() != 2 * record_size + 2) std::abort();
    for (size_t i = 0; i < text.size(); ++i) {
      char upper = text[i] >= 'a' && text[i] <= 'f' ? static_cast<char>(text[i] - 32) : text[i];
      if (upper != again[i]) std::abort();
    }
  }
  return 0;
}
