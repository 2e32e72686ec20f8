// Commands that edit the queue: add, delete, move up and down, select all,
// and the file list's context menu.
#pragma once

#include <windows.h>
// commdlg.h needs the types of windows.h.
#include <commdlg.h>

#include <cstddef>
#include <string>

// The open dialog's buffer: 1 MiB of characters and one. The dialog hands
// the names back in UTF-16, as the user typed or chose them.
constexpr size_t kOpenBufferSize = 1048577;
constexpr DWORD kOpenFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;

// Calls `add` with every path the open dialog's buffer names, in its order.
// `file_offset` is the dialog's nFileOffset.
void for_each_chosen_path(const wchar_t* buffer, unsigned file_offset,
                          void (*add)(const std::wstring& path, void* context), void* context);
// Adds every file the open dialog's buffer names as a new last row, in its
// order, and shows them in one repaint; warns in a box owned by `window` for
// each file that cannot be added: gone, a folder, a destination another
// source already writes, or a name the program's code page cannot hold.
void add_chosen_files(HWND window, const wchar_t* buffer, unsigned file_offset);
// The order for LVM_SORTITEMSEX of rows `first` and `second` that puts row
// `moved` just before row `target`.
int move_compare(int first, int second, int moved, int target);

void add_files(HWND window);
void delete_selected(HWND list);
void move_row(HWND list, bool up);
void select_all(HWND list);
// The file list's context menu, tracked at `at` (screen coordinates): at the
// cursor for a right click, below the focused row for the keyboard.
void show_context_menu(HWND window, HWND list, POINT at);
POINT menu_point_at_cursor();
POINT menu_point_for_keyboard(HWND list);
