// The main window: dialog template 111, run modally by the program entry.
#pragma once

#include <windows.h>

// The dialog procedure of template 111; its argument is the DialogParam.
INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
