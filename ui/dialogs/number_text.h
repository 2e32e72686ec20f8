// The numbers typed into the dialogs' edits. Portable: no window system.
#pragma once

#include <cstdint>

// Converts `text` as a base-10 strtol does, but to the signed 32-bit range:
// leading white space and one sign are skipped, digits are read up to the
// first other character, text without digits gives 0, and a number beyond
// the range gives the nearest bound.
int32_t text_to_int32(const char* text);
