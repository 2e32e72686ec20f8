// What the main window keeps from opening to destruction, shared by its parts.
#pragma once

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "app/settings_records.h"

// Control, timer and command ids of the main window.
enum MainControl : int {
  ID_START = 1000,
  ID_STOP = 1001,
  ID_SETTINGS = 1002,
  ID_ADD = 1003,
  ID_DELETE = 1004,
  ID_UP = 1005,
  ID_DOWN = 1006,
  ID_SELECT_ALL = 1007,
  ID_ABOUT = 1008,
  ID_FILE_LIST = 1009,
  ID_LOG = 1010,
  ID_PROGRESS = 1041,
  ID_STATUS = 1042,
};
constexpr UINT_PTR kRefreshTimer = 1025;
constexpr int kMainDialog = 111;
constexpr int kAppIcon = 107;

struct MainWindow {
  DialogParam* param = nullptr;
  HWND window = nullptr;
  HWND list = nullptr;
  HWND status = nullptr;
  HWND progress = nullptr;
  DWORD list_ex_style = 0;
  HIMAGELIST images = nullptr;
  int state_image[kStateSlotCount] = {-1, -1, -1, -1, -1, -1};
  HICON icon = nullptr;
};

// The one main window of the process.
extern MainWindow main_window;
