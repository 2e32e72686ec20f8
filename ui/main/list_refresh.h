// The periodic refresh: per-row state, bytes and speed, the queue's totals in
// the status line and progress bar, and the running file in the caption.
#pragma once

#include <cstddef>
#include <cstdint>

int64_t counter_now();
// Whole seconds between two counter values, times 1000.
int64_t elapsed_ms(int64_t earlier, int64_t later);
int64_t elapsed_ms_at(int64_t earlier, int64_t later, int64_t frequency);
// Bytes per second over `elapsed` ms; 0 when no whole second has passed.
int64_t speed_per_second(int64_t bytes, int64_t elapsed);
// The file-name part of `path` without folder, drive and extension, cut to
// fit `capacity` (at least 1).
void caption_file_name(const char* path, char* out, size_t capacity);
// Timer IDT_REFRESH: one refresh of the main window.
void refresh_list();
