#include "app/state_icons.h"

#include "res/resource.h"

HICON state_icons[kStateIconCount];

void load_state_icons(HINSTANCE module) {
  int width = GetSystemMetrics(SM_CXSMICON);
  int height = GetSystemMetrics(SM_CYSMICON);
  for (int i = 0; i < kStateIconCount; ++i) {
    state_icons[i] = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_STATE_FIRST + i),
                                                   IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  }
}

void destroy_state_icons() {
  for (HICON& icon : state_icons) {
    if (icon != nullptr) DestroyIcon(icon);
    icon = nullptr;
  }
}
