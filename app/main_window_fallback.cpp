// Stand-in for the main window's dialog procedure, linked only while the
// user-interface library is not part of the build. Its template is then
// missing too, so the program ends with exit code 1 without calling this.
#include "ui/main/main_window.h"

INT_PTR CALLBACK main_window_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
