#include "app/win32/state_icons.h"

#include "res/resource.h"

HICON state_icons[kStateSlotCount];

HICON load_state_icon(HINSTANCE module, int state, int size) {
  return static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_STATE_FIRST + state),
                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void load_state_icons(HINSTANCE module) {
  for (int i = 0; i < kStateSlotCount; ++i) {
    state_icons[i] = load_state_icon(module, i, GetSystemMetrics(SM_CXSMICON));
  }
}

void destroy_state_icons() {
  for (HICON& icon : state_icons) {
    if (icon != nullptr) DestroyIcon(icon);
    icon = nullptr;
  }
}
