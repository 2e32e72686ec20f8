// The shell's older folder chooser, asked in UTF-16: the settings' Browse,
// and the folder picker where the system has no item dialog.
#pragma once

#include <windows.h>

#include <string>

// Shows the chooser over `owner` with string `title_id` above its tree and
// the BIF_ `flags`; true with the chosen folder's path. The caller starts
// COM on its thread.
bool browse_for_folder(HWND owner, unsigned title_id, UINT flags, std::wstring* folder);
