// The main window's placement between runs and the anchored controls that
// follow its size.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/settings_records.h"

struct Anchor {
  HWND control;
  RECT screen_rect;  // only its width and height are used
  POINT origin;      // designed top-left corner, in the window's client area
  uint8_t keep_y;
  uint8_t keep_height;
};

struct WindowLayout {
  RECT design_window_rect;
  RECT design_client_rect;
  Anchor* anchors;
  int anchor_count;
};

extern WindowLayout window_layout;

// The stored size when it is at least the designed one, else the designed one.
int placement_size(int stored, int designed);
// The stored edge when it is above -500, else centred on the screen.
int placement_origin(int stored, int screen, int size);

void restore_placement(HWND window, int x, int y, int width, int height);
bool add_anchor(HWND control, bool keep_y, bool keep_height);
void relayout(HWND window);
// After a change of DPI: the designed sizes and places as the dialog template
// gives them at `to_dpi`.
void rescale_layout(int from_dpi, int to_dpi);
// WM_GETMINMAXINFO: the designed size is the minimum tracking size.
void set_min_size(MINMAXINFO* info);
void save_placement(HWND window, DialogParam* param);
// Frees and empties the anchor table.
void free_anchors();
// At destruction: frees the table and forgets the designed rectangles.
void close_layout();
