// What the main window keeps from opening to destruction, shared by its parts.
#pragma once

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "app/settings_records.h"
#include "res/resource.h"
#include "ui/main/window_dpi.h"

// Written on the window thread as the window opens, before any other thread
// starts; then the other threads read only `window`, to hand their calls to
// the window thread (window_host_win32.cpp). The rest is the window thread's.
struct MainWindow {
  DialogParam* param = nullptr;
  HWND window = nullptr;
  // Looked up once: under Wine each GetDlgItem asks the server for them.
  HWND list = nullptr;
  HWND log = nullptr;
  HWND status = nullptr;
  HWND progress = nullptr;
  DWORD list_ex_style = 0;
  int dpi = kBaseDpi;  // the columns and the state images are sized for it
  HIMAGELIST images = nullptr;
  int state_image[kStateSlotCount] = {-1, -1, -1, -1, -1, -1};
  HICON icon = nullptr;
  // The log paints only at paint_log, which shows `log_top_line` (not -1) at the top.
  bool log_paint_due = false;
  int log_top_line = -1;
};

// The one main window of the process.
extern MainWindow main_window;
