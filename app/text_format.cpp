#include "app/text_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = kKiB * 1024;
constexpr int64_t kGiB = kMiB * 1024;

// The string table's formats use "%I64d" (and friends) for 64-bit values; the
// C library's own directive is "ll". Everything else is copied as it is.
std::string to_c_format(const char* format) {
  std::string result;
  for (const char* p = format; *p != '\0';) {
    if (*p != '%') {
      result += *p++;
      continue;
    }
    result += *p++;
    if (*p == '%') {
      result += *p++;
      continue;
    }
    while (*p != '\0' && std::strchr("-+ #0123456789.*'", *p) != nullptr) result += *p++;
    if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
      result += "ll";
      p += 3;
    }
  }
  return result;
}

}  // namespace

int load_text(char* buffer, unsigned id, int capacity) {
  return platform::load_string(id, buffer, capacity);
}

void scale_size(int64_t value, double* scaled, int* unit) {
  // Multiplying by the exact factor 1/1024 step by step equals one division.
  const double step = 1.0 / 1024;
  double v = static_cast<double>(value);
  if (value < 0) {
    *scaled = v;
    *unit = 0;
  } else if (value >= kGiB) {
    *scaled = v * step * step * step;
    *unit = 3;
  } else if (value >= kMiB) {
    *scaled = v * step * step;
    *unit = 2;
  } else if (value >= kKiB) {
    *scaled = v * step;
    *unit = 1;
  } else {
    *scaled = v;
    *unit = 0;
  }
}

const char* after_last_of(const char* text, const char* characters) {
  const char* after = text;
  for (const char* p = text; *p != '\0'; ++p) {
    if (std::strchr(characters, *p) != nullptr) after = p + 1;
  }
  return after;
}

int64_t percentage(int64_t done, int64_t size) { return size > 0 ? done * 100 / size : 0; }

void format_size(int64_t value, char* out) {
  double scaled = 0;
  int unit = 0;
  scale_size(value, &scaled, &unit);
  std::snprintf(out, kSizeTextCapacity, "%.1f %s", scaled, platform::size_unit_name(unit));
}

char* alloc_format(const char* format, ...) {
  std::string c_format = to_c_format(format);
  va_list args;
  va_start(args, format);
  va_list count_args;
  va_copy(count_args, args);
  int count = std::vsnprintf(nullptr, 0, c_format.c_str(), count_args);
  va_end(count_args);
  char* buffer = nullptr;
  if (count >= 0) {
    buffer = static_cast<char*>(std::malloc(static_cast<size_t>(count) + 1));
    if (buffer != nullptr)
      std::vsnprintf(buffer, static_cast<size_t>(count) + 1, c_format.c_str(), args);
  }
  va_end(args);
  return buffer;
}
