#include "ui/main/list_commands.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "engine/copy_job.h"
#include "engine/dest_paths.h"
#include "platform/win32/wide_text.h"
#include "res/string_ids.h"
#include "ui/dialogs/dialog_items.h"
#include "ui/main/file_list.h"
#include "ui/main/main_window_state.h"
#include "ui/main/queue_store.h"

namespace {

// The filter: one entry, display text then pattern, ending in two NULs; the
// string table has "|" where the NULs go.
std::wstring open_filter() {
  std::wstring filter = wide_table_text(IDS_OPEN_FILTER);
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  return filter + L'\0';
}

// One Add command: its owner window and the destinations of the queue, taken
// once for the whole batch so that each file costs one look-up, not a walk
// over every row.
struct Adding {
  HWND window;
  DestPaths dests;
  int already_queued;
};

// A file already queued is left out and counted. A file whose destination
// another source already writes is refused like a file that cannot be added:
// copying it would overwrite the other's copy. A name the program's code page
// cannot hold is refused by name, never replaced by a look-alike (another file).
void add_chosen_path(const std::wstring& wide_path, void* context) {
  Adding* adding = static_cast<Adding*>(context);
  std::string narrow_path;
  if (!platform::narrow(wide_path, &narrow_path)) {
    warn_wide(adding->window, IDS_NAME_UNHELD, wide_path);
    return;
  }
  const char* path = narrow_path.c_str();
  if (source_queued(adding->dests, path)) {
    adding->already_queued++;
    return;
  }
  const DialogParam* param = main_window.param;
  char file_name[kFileNameCapacity] = "";
  JobRow* record = create_job(path, *param->copy_ref, file_name);
  if (record != nullptr &&
      claim_dest(&adding->dests, record->job->source_path, record->job->dest_path)) {
    append_job_row(record, file_name, path);
    return;
  }
  free_job_row(record);
  warn(adding->window, IDS_ADD_FAILED, path);
}

}  // namespace

void add_chosen_files(HWND window, const wchar_t* buffer, unsigned file_offset) {
  Adding adding{window, {}, 0};
  claim_queue_dests(&adding.dests, nullptr);
  // Under Wine a shown list view repaints at every row appended; the batch
  // is appended unpainted and shown in one repaint.
  HWND list = main_window.list;
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for_each_chosen_path(buffer, file_offset, add_chosen_path, &adding);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  note_queue_edit();
  // One box for the whole choice, not one per file: in a queue of hundreds a
  // user may well choose a folder's files again.
  if (adding.already_queued > 0) warn(window, IDS_ALREADY_QUEUED, adding.already_queued);
  queue_changed();
}

namespace {

int focused_selected_row(HWND list) {
  return static_cast<int>(
      SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
}

struct MoveOrder {
  int moved;
  int target;
};

int CALLBACK compare_for_move(LPARAM x, LPARAM y, LPARAM order) {
  const MoveOrder* move = reinterpret_cast<const MoveOrder*>(order);
  return move_compare(static_cast<int>(x), static_cast<int>(y), move->moved, move->target);
}

// Id 0 inserts a separator.
void insert_menu_item(HMENU menu, UINT position, UINT id, bool disabled) {
  char text[kTextCapacity] = "";
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
  item.fType = MFT_SEPARATOR;
  if (id != 0) {
    // IDS_ADD .. IDS_SELECT_ALL stand in the order of the commands IDC_ADD .. IDM_SELECT_ALL.
    const unsigned text_id = id == IDM_ADD_FOLDER ? IDS_ADD_FOLDER : IDS_ADD + (id - IDC_ADD);
    load_text(text, text_id, kTextCapacity);
    item.fType = MFT_STRING;
    item.dwTypeData = text;
    item.fState = disabled ? (MFS_DISABLED | MFS_GRAYED) : MFS_ENABLED;
    item.wID = id;
  }
  InsertMenuItemA(menu, position, TRUE, &item);
}

}  // namespace

void for_each_chosen_path(const wchar_t* buffer, unsigned file_offset,
                          void (*add)(const std::wstring& path, void* context), void* context) {
  if (buffer[0] == L'\0') return;
  // A NUL just before the first name: the first string is the folder of
  // several chosen names; otherwise it is the one chosen file's full path.
  const bool several = file_offset > 0 && buffer[file_offset - 1] == L'\0';
  if (!several) {
    add(buffer, context);
    return;
  }
  const std::wstring folder = buffer;
  for (const wchar_t* name = buffer + folder.size() + 1; *name != L'\0'; name += wcslen(name) + 1) {
    // A folder that ends in a backslash (a drive's root) gives two in a row,
    // handed on as they are.
    add(folder + L"\\" + name, context);
  }
}

int move_compare(int first, int second, int moved, int target) {
  if (first == moved) return second < target ? 1 : -1;
  if (second == moved) return first < target ? -1 : 1;
  return first >= second ? 1 : -1;
}

void add_files(HWND window) {
  wchar_t* buffer = static_cast<wchar_t*>(calloc(kOpenBufferSize, sizeof(wchar_t)));
  if (buffer == nullptr) return;
  OPENFILENAMEW open = {};
  open.lStructSize = sizeof open;
  open.hwndOwner = window;
  open.hInstance = resource_module();
  const std::wstring filter = open_filter();
  open.lpstrFilter = filter.c_str();
  open.nFilterIndex = 0;
  open.lpstrFile = buffer;
  open.nMaxFile = kOpenBufferSize - 1;
  open.Flags = kOpenFlags;
  if (GetOpenFileNameW(&open)) {
    // The folder stays in the buffer while the names are joined to it, so
    // the buffer itself serves as the folder's copy.
    add_chosen_files(window, buffer, open.nFileOffset);
  }
  free(buffer);
}

void delete_selected(HWND list) {
  // From the bottom, so the rows still to be examined keep their indexes.
  for (int row = row_count(list) - 1; row >= 0; --row) {
    if (!(SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED)) continue;
    JobRow* record = row_record(list, row);
    if (record != nullptr && row_busy(record)) continue;
    free_job_row(record);
    SendMessageA(list, LVM_DELETEITEM, row, 0);
    note_queue_edit();
  }
}

void move_row(HWND list, bool up) {
  const int moved = focused_selected_row(list);
  int target;
  if (up) {
    if (moved < 1) return;
    target = moved - 1;
  } else {
    if (moved < 0 || moved >= row_count(list)) return;
    target = moved + 2;
  }
  MoveOrder order = {moved, target};
  if (!SendMessageA(list, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(&order),
                    reinterpret_cast<LPARAM>(compare_for_move))) {
    return;
  }
  // Down on the last row leaves it where it was.
  const int last = row_count(list) - 1;
  int now = up ? moved - 1 : moved + 1;
  if (now > last) now = last;
  select_row(list, now);
}

void select_all(HWND list) {
  const int count = row_count(list);
  for (int row = 0; row < count; ++row) select_row(list, row);
}

POINT menu_point_at_cursor() {
  POINT cursor = {};
  GetCursorPos(&cursor);
  return cursor;
}

// The menu key or Shift+F10: below the focused row, or at the list's corner.
POINT menu_point_for_keyboard(HWND list) {
  POINT at = {};
  const int focused =
      static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  RECT row = {};
  row.left = LVIR_BOUNDS;
  if (focused >= 0 &&
      SendMessageA(list, LVM_GETITEMRECT, focused, reinterpret_cast<LPARAM>(&row))) {
    at = {row.left, row.bottom};
  }
  ClientToScreen(list, &at);
  return at;
}

void show_context_menu(HWND window, HWND list, POINT at) {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  const bool empty = row_count(list) == 0;
  const bool no_row = empty || focused_selected_row(list) < 0;
  insert_menu_item(menu, 0, IDC_ADD, false);
  insert_menu_item(menu, 1, IDM_ADD_FOLDER, false);
  insert_menu_item(menu, 2, IDC_DELETE, no_row);
  insert_menu_item(menu, 3, 0, false);
  insert_menu_item(menu, 4, IDC_UP, no_row);
  insert_menu_item(menu, 5, IDC_DOWN, no_row);
  insert_menu_item(menu, 6, 0, false);
  insert_menu_item(menu, 7, IDM_SELECT_ALL, empty);
  TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, at.x, at.y, window, nullptr);
  DestroyMenu(menu);
}
