// The open dialog's field where the names to open are typed, as the end-to-end
// driver, the UI tests and the Add benchmark type them.
#pragma once

#include <windows.h>

// The edit of combo box cmb13, or edt1.
inline HWND file_name_field(HWND dialog) {
  HWND combo = GetDlgItem(dialog, 0x47c);
  if (combo) {
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    return edit ? edit : combo;
  }
  return GetDlgItem(dialog, 0x480);
}
