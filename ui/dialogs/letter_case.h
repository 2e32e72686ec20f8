// The about dialog's joke: letters of a code page 1251 text change case at
// random places. Portable: no window system.
#pragma once

// Walks `text` (NUL-terminated, single-byte code page 1251): the byte at the
// position flips case when it is a Latin or a basic Cyrillic letter (Ё and ё
// excepted), then one value of `next_random` advances the position by its
// remainder modulo 3. A byte looked at twice thus flips back.
void turn_letter_case(char* text, int (*next_random)());
