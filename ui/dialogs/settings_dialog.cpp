#include "ui/dialogs/settings_dialog.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "platform/win32/wide_text.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/dialogs/color_scheme_dialog.h"
#include "ui/dialogs/dialog_items.h"
#include "ui/dialogs/folder_browser.h"

namespace {

constexpr ItemText kItemTexts[] = {
    {IDOK, IDS_OK},
    {IDCANCEL, IDS_CANCEL},
    {IDC_RETRY_TIMEOUT_LABEL, IDS_RETRY_TIMEOUT_LABEL},
    {IDC_COPY_GROUP, IDS_COPY_GROUP},
    {IDC_MAX_ATTEMPTS_LABEL, IDS_MAX_ATTEMPTS_LABEL},
    {IDC_BUFFER_SIZE_LABEL, IDS_BUFFER_SIZE_LABEL},
    {IDC_DEST_FOLDER_LABEL, IDS_DEST_FOLDER_LABEL},
    {IDC_BROWSE, IDS_BROWSE},
    {IDC_MORE_GROUP, IDS_MORE_GROUP},
    {IDC_REFRESH_INTERVAL_LABEL, IDS_REFRESH_INTERVAL_LABEL},
    {IDC_COLOR_SCHEME, IDS_COLOR_SCHEME},
    {IDC_RESUME, IDS_RESUME},
    {IDC_AUTOSCROLL, IDS_AUTOSCROLL},
};

// The record the dialog was opened with, until it closes.
DialogParam* settings_param = nullptr;

void initialise(HWND dialog, DialogParam* param) {
  settings_param = param;
  const CopyParam& copy = *param->copy_ref;
  set_title_text(dialog, IDS_SETTINGS_TITLE);
  set_item_strings(dialog, kItemTexts);
  set_item_number(dialog, IDC_RETRY_TIMEOUT, copy.retry_timeout);
  set_item_number(dialog, IDC_MAX_ATTEMPTS, copy.max_attempts);
  set_item_number(dialog, IDC_BUFFER_SIZE, copy.buffer_size);
  set_item_number(dialog, IDC_REFRESH_INTERVAL, param->refresh_interval);
  char folder[kFolderCapacity];
  std::memcpy(folder, copy.dest_folder, sizeof folder);
  folder[kFolderCapacity - 1] = '\0';
  SendDlgItemMessageA(dialog, IDC_DEST_FOLDER, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));
  set_check(dialog, IDC_RESUME, copy.resume != 0);
  set_check(dialog, IDC_AUTOSCROLL, param->autoscroll != 0);
  limit_item_text(dialog, IDC_RETRY_TIMEOUT, kNumberInputLimit);
  limit_item_text(dialog, IDC_MAX_ATTEMPTS, kNumberInputLimit);
  limit_item_text(dialog, IDC_BUFFER_SIZE, kNumberInputLimit);
  limit_item_text(dialog, IDC_DEST_FOLDER, kPathInputLimit);
  limit_item_text(dialog, IDC_REFRESH_INTERVAL, kNumberInputLimit);
}

// A folder that does not fit the record in the program's code page (259
// bytes: a Cyrillic letter takes two in UTF-8) is refused, never cut.
bool folder_fits(HWND dialog, const std::string& folder) {
  if (folder.size() < kFolderCapacity) return true;
  warn(dialog, IDS_PATH_TOO_LONG, folder.c_str());
  return false;
}

// Stores everything when every field is valid; otherwise warns and keeps
// the dialog open with the user's input as it is.
void on_ok(HWND dialog) {
  const std::wstring typed = item_wide_text(dialog, IDC_DEST_FOLDER);
  std::string folder;
  const bool held = platform::narrow(typed, &folder);
  const int32_t retry_timeout = read_item_number(dialog, IDC_RETRY_TIMEOUT);
  const int32_t max_attempts = read_item_number(dialog, IDC_MAX_ATTEMPTS);
  const int32_t buffer_size = read_item_number(dialog, IDC_BUFFER_SIZE);
  const int32_t refresh_interval = read_item_number(dialog, IDC_REFRESH_INTERVAL);
  const bool valid = in_setting_range(retry_timeout, kMaxRetryTimeout) &&
                     in_setting_range(max_attempts, kMaxAttempts) &&
                     in_setting_range(buffer_size, kMaxBufferSize) &&
                     in_setting_range(refresh_interval, kMaxRefreshInterval) && !typed.empty();
  if (!valid) {
    warn_invalid_value(dialog);
    return;
  }
  // A folder that the code page cannot hold is named, never replaced by a
  // look-alike.
  if (!held) {
    warn_wide(dialog, IDS_NAME_UNHELD, typed);
    return;
  }
  if (!folder_fits(dialog, folder)) return;
  CopyParam& copy = *settings_param->copy_ref;
  copy.retry_timeout = retry_timeout;
  copy.max_attempts = max_attempts;
  copy.buffer_size = buffer_size;
  settings_param->refresh_interval = refresh_interval;
  // The record is persisted byte by byte: leave no stale bytes after the NUL.
  std::memset(copy.dest_folder, 0, sizeof copy.dest_folder);
  std::memcpy(copy.dest_folder, folder.c_str(), folder.size());
  copy.resume = is_checked(dialog, IDC_RESUME) ? 1 : 0;
  settings_param->autoscroll = is_checked(dialog, IDC_AUTOSCROLL) ? 1 : 0;
  EndDialog(dialog, IDOK);
}

// The chosen folder replaces only the edit's text; OK stores it. Asked in
// UTF-16, so that a name the code page cannot hold is refused at OK rather
// than replaced by a look-alike.
void on_browse(HWND dialog) {
  // The shell's chooser wants COM on this thread; balance only our own start.
  const HRESULT com = CoInitialize(nullptr);
  std::wstring folder;
  if (browse_for_folder(dialog, IDS_BROWSE_FOLDER_TITLE, BIF_RETURNONLYFSDIRS, &folder)) {
    SendDlgItemMessageW(dialog, IDC_DEST_FOLDER, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(folder.c_str()));
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

void on_command(HWND dialog, int id) {
  if (id == IDOK) on_ok(dialog);
  if (id == IDCANCEL) EndDialog(dialog, IDCANCEL);
  if (id == IDC_BROWSE) on_browse(dialog);
  if (id == IDC_COLOR_SCHEME) open_color_scheme_dialog(dialog, settings_param->list_ref);
}

}  // namespace

INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog, reinterpret_cast<DialogParam*>(lparam));
      return TRUE;
    case WM_COMMAND:
      on_command(dialog, LOWORD(wparam));
      return TRUE;
    case WM_DESTROY:
      settings_param = nullptr;
      break;
  }
  return FALSE;
}

INT_PTR open_settings_dialog(HWND owner, DialogParam* param) {
  if (param != nullptr && param->copy_ref == nullptr) return -1;
  return edit_in_dialog(IDD_SETTINGS, owner, settings_dialog_proc, param);
}
