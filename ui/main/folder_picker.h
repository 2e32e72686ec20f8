// The system's folder picker for "Добавить папку...": the item dialog in its
// folder mode, where a folder can also be typed into its name box; the older
// folder browser where the system lacks it.
#pragma once

#include <windows.h>

#include <string>

// Shows the picker over `owner`; true with the chosen folder's full path
// (UTF-16), false when cancelled or nothing usable was chosen.
bool pick_folder(HWND owner, std::wstring* folder);
