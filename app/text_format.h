// Text services used everywhere: string-table texts, byte counts in human
// units, and printf-style formatting into a buffer of exact size.
#pragma once

#include <cstdint>

constexpr int kTextCapacity = 1024;    // every string-table text
constexpr int kSizeTextCapacity = 32;  // format_size output

// Copies string `id` into `buffer` (at most capacity - 1 characters and a NUL);
// returns the characters copied, 0 when there is no such string.
int load_text(char* buffer, unsigned id, int capacity);
// Scales a byte count: unit 0 bytes, 1 KiB, 2 MiB, 3 GiB.
void scale_size(int64_t value, double* scaled, int* unit);
// "%.1f %s" of the scaled value and its unit name into `out` (kSizeTextCapacity).
void format_size(int64_t value, char* out);
// What follows the last of `characters` in `text`: the file name of a path
// with its folder's separators; all of `text` when none of them is in it.
const char* after_last_of(const char* text, const char* characters);
// The percentage that the texts show: done * 100 / size when size > 0, else 0
// (signed 64-bit, truncating).
int64_t percentage(int64_t done, int64_t size);
// printf-style formatting ("%I64d" accepted) into a malloc'd buffer of exactly
// the needed length + 1; null when memory cannot be had. Free with free().
char* alloc_format(const char* format, ...);
// String `id` of the string table formatted with `args`, as alloc_format.
template <typename... Args>
char* format_text(unsigned id, Args... args) {
  char format[kTextCapacity];
  load_text(format, id, kTextCapacity);
  return alloc_format(format, args...);
}
