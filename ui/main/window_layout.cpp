#include "ui/main/window_layout.h"

#include <cstdlib>

#include "ui/main/window_dpi.h"

WindowLayout window_layout = {};

namespace {

int width_of(const RECT& rect) { return rect.right - rect.left; }
int height_of(const RECT& rect) { return rect.bottom - rect.top; }

}  // namespace

int placement_size(int stored, int designed) { return stored >= designed ? stored : designed; }

int placement_origin(int stored, int screen, int size) {
  return stored > -500 ? stored : screen / 2 - size / 2;
}

void restore_placement(HWND window, int x, int y, int width, int height) {
  GetWindowRect(window, &window_layout.design_window_rect);
  GetClientRect(window, &window_layout.design_client_rect);
  free_anchors();
  const int w = placement_size(width, width_of(window_layout.design_window_rect));
  const int h = placement_size(height, height_of(window_layout.design_window_rect));
  const int left = placement_origin(x, GetSystemMetrics(SM_CXSCREEN), w);
  const int top = placement_origin(y, GetSystemMetrics(SM_CYSCREEN), h);
  // The WM_SIZE this causes finds the table empty and moves nothing.
  SetWindowPos(window, nullptr, left, top, w, h, 0);
}

bool add_anchor(HWND control, bool keep_y, bool keep_height) {
  const int count = window_layout.anchor_count + 1;
  void* grown = realloc(window_layout.anchors, count * sizeof(Anchor));
  if (grown == nullptr) return false;
  window_layout.anchors = static_cast<Anchor*>(grown);
  Anchor* anchor = &window_layout.anchors[count - 1];
  anchor->control = control;
  GetWindowRect(control, &anchor->screen_rect);
  anchor->origin = {anchor->screen_rect.left, anchor->screen_rect.top};
  ScreenToClient(GetParent(control), &anchor->origin);
  anchor->keep_y = keep_y ? 1 : 0;
  anchor->keep_height = keep_height ? 1 : 0;
  window_layout.anchor_count = count;
  return true;
}

void relayout(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  int grow_x = width_of(client) - width_of(window_layout.design_client_rect);
  int grow_y = height_of(client) - height_of(window_layout.design_client_rect);
  // Smaller than designed (minimised): everything at its designed place.
  if (grow_x < 0) grow_x = 0;
  if (grow_y < 0) grow_y = 0;
  for (int i = 0; i < window_layout.anchor_count; ++i) {
    const Anchor& anchor = window_layout.anchors[i];
    // Every anchored control keeps its left edge and takes the window's new
    // width; its top and height follow the anchor.
    const int x = anchor.origin.x;
    const int y = anchor.origin.y + (anchor.keep_y ? 0 : grow_y);
    const int w = width_of(anchor.screen_rect) + grow_x;
    const int h = height_of(anchor.screen_rect) + (anchor.keep_height ? 0 : grow_y);
    // Without SWP_NOZORDER each control would rise to the top of the
    // z-order, which in a dialog is the Tab order.
    SetWindowPos(anchor.control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void rescale_layout(int from_dpi, int to_dpi) {
  auto scale_size = [=](RECT* rect) {
    rect->right = rect->left + scale_pixels(width_of(*rect), from_dpi, to_dpi);
    rect->bottom = rect->top + scale_pixels(height_of(*rect), from_dpi, to_dpi);
  };
  scale_size(&window_layout.design_window_rect);
  scale_size(&window_layout.design_client_rect);
  for (int i = 0; i < window_layout.anchor_count; ++i) {
    Anchor& anchor = window_layout.anchors[i];
    scale_size(&anchor.screen_rect);
    anchor.origin.x = scale_pixels(anchor.origin.x, from_dpi, to_dpi);
    anchor.origin.y = scale_pixels(anchor.origin.y, from_dpi, to_dpi);
  }
}

void set_min_size(MINMAXINFO* info) {
  info->ptMinTrackSize.x = width_of(window_layout.design_window_rect);
  info->ptMinTrackSize.y = height_of(window_layout.design_window_rect);
}

void save_placement(HWND window, DialogParam* param) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  param->window_x = rect.left;
  param->window_y = rect.top;
  param->window_width = width_of(rect);
  param->window_height = height_of(rect);
}

void free_anchors() {
  free(window_layout.anchors);
  window_layout.anchors = nullptr;
  window_layout.anchor_count = 0;
}

void close_layout() {
  free_anchors();
  window_layout.design_window_rect = {};
  window_layout.design_client_rect = {};
}
