// The modal dialogs that the main window opens. Each returns the dialog's end
// code, or -1 when it cannot be shown.
#pragma once

#include <windows.h>

#include "app/settings_records.h"

struct CopyJob;

INT_PTR open_file_params(HWND owner, CopyJob* job);
INT_PTR open_about(HWND owner);
INT_PTR open_settings(HWND owner, DialogParam* param);
