// The main window: dialog template IDD_MAIN, run modally by the program entry.
#pragma once

#include <windows.h>

// The dialog procedure of template IDD_MAIN; its argument is the DialogParam.
INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
