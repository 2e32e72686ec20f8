// File helpers shared by the native and the Windows benchmarks.
#pragma once

#include <cstdint>

// True when both files exist and hold the same bytes.
bool same_content(const char* a, const char* b);
// The file's size; -1 when it cannot be looked up.
int64_t file_size(const char* path);
// Reads the whole file once, so that it sits in the page cache.
void warm(const char* path);
