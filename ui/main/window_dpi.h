// The DPI a window is shown at, and pixel sizes scaled to it. The sizes the
// program keeps (ListParam's column widths) are pixels at 96 DPI, 100 %.
#pragma once

#include <windows.h>

constexpr int kBaseDpi = 96;

// GetDpiForWindow where user32 has it (Windows 10 1607 and later, looked up by
// name: the program imports nothing newer than Windows 7), else the system's
// DPI, LOGPIXELSX of the screen.
int window_dpi(HWND window);
// `pixels` at `from_dpi` as pixels at `to_dpi`, rounded to the nearest.
int scale_pixels(int pixels, int from_dpi, int to_dpi);
// The system's small-icon size at `dpi`.
int small_icon_size(int dpi);
