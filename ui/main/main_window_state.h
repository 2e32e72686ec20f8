// What the main window keeps from opening to destruction, shared by its parts.
#pragma once

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "app/settings_records.h"
#include "res/resource.h"
#include "ui/main/window_dpi.h"

struct MainWindow {
  DialogParam* param = nullptr;
  HWND window = nullptr;
  HWND list = nullptr;
  HWND status = nullptr;
  HWND progress = nullptr;
  DWORD list_ex_style = 0;
  int dpi = kBaseDpi;  // the columns and the state images are sized for it
  HIMAGELIST images = nullptr;
  int state_image[kStateSlotCount] = {-1, -1, -1, -1, -1, -1};
  HICON icon = nullptr;
};

// The one main window of the process.
extern MainWindow main_window;
