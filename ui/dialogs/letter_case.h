// The about dialog's joke: letters of a text change case at random places.
// Portable: no window system.
#pragma once

// Walks `text` (NUL-terminated UTF-16): the character at the position flips
// case when it is a Latin or a basic Cyrillic letter (Ё and ё excepted), then
// one value of `next_random` advances the position by its remainder modulo 3.
// A character looked at twice thus flips back.
void turn_letter_case(wchar_t* text, int (*next_random)());
