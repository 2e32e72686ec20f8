// The about dialog (template IDD_ABOUT): the application icon, the name with its
// version and credits, the change history and the disclaimer. Double-clicking
// the icon plays a small joke on the title and the name; a click undoes it.
#pragma once

#include <windows.h>

// The version put into the name-and-version text ("1.0 (выпуск 7) RU"), in
// the program's code page.
const char* version_text();

// Dialog procedure; the creation argument is not used.
extern const DLGPROC about_dialog_proc;

// Shows the dialog modally over `owner`; returns the id of the command that
// closed it (1 or 2), or -1 when it cannot be shown.
INT_PTR open_about_dialog(HWND owner);
