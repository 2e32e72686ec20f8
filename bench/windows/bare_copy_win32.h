// The simplest Win32 copy loop: ReadFile a block, WriteFile it, until the end.
// Files are opened as the engine opens them (shared reading; exclusive,
// created-or-emptied writing). The yardstick for the worker under Wine.
#pragma once

#include <cstddef>

// `flush` adds FlushFileBuffers before the close, as the engine does when a
// file is complete.
bool bare_copy_win32(const char* source, const char* dest, size_t buffer_size, bool flush = false);
