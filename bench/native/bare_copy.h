// The simplest copy loop there is: read a block, write it, until the end.
// The yardstick the engine's worker is measured against.
#pragma once

#include <cstddef>

// Copies `source` to `dest` (created or emptied) through a malloc'd buffer of
// `buffer_size` bytes; false on any failure.
bool bare_copy(const char* source, const char* dest, size_t buffer_size);
