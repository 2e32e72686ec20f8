// Texts that earlier versions of the program stored in Windows-1251, the code
// page they ran in: the destination folder in tvoln.ini. A program whose
// texts are UTF-8 converts such a text once, when it reads it.
#pragma once

#include <cstddef>

// True when `text` is well-formed UTF-8 (plain ASCII is).
bool is_utf8(const char* text);
// `text`, read as Windows-1251, in UTF-8 into `out` (`capacity` bytes with the
// NUL). False, leaving `out` unchanged, when it does not fit.
bool utf8_from_1251(const char* text, char* out, size_t capacity);
