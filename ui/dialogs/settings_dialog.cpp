#include "ui/dialogs/settings_dialog.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>

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

void initialise(HWND dialog, DialogParam* param) {
  set_title_text(dialog, IDS_SETTINGS_TITLE);
  set_item_strings(dialog, kItemTexts);
  show_fields(dialog, kCopyTable, param->copy_ref, kSettingsDialogControls);
  show_fields(dialog, kDialogTable, param, kSettingsDialogControls);
}

// Stores everything when every field is valid; otherwise warns and keeps
// the dialog open with the user's input as it is.
void on_ok(HWND dialog, DialogParam* param) {
  if (!fields_valid(dialog, kCopyTable, kSettingsDialogControls) ||
      !fields_valid(dialog, kDialogTable, kSettingsDialogControls)) {
    warn_invalid_value(dialog);
    return;
  }
  if (!texts_fit(dialog, kCopyTable, kSettingsDialogControls)) return;
  store_fields(dialog, kCopyTable, param->copy_ref, kSettingsDialogControls);
  store_fields(dialog, kDialogTable, param, kSettingsDialogControls);
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

void on_command(HWND dialog, DialogParam* param, WPARAM wparam) {
  const int id = LOWORD(wparam);
  if (id == IDOK) on_ok(dialog, param);
  if (id == IDCANCEL) EndDialog(dialog, IDCANCEL);
  if (id == IDC_BROWSE) on_browse(dialog);
  if (id == IDC_COLOR_SCHEME) open_color_scheme_dialog(dialog, param->list_ref);
}

constexpr DialogHandlers<DialogParam> kHandlers = {initialise, on_command};

}  // namespace

const DLGPROC settings_dialog_proc = dialog_procedure<DialogParam, kHandlers>;

INT_PTR open_settings_dialog(HWND owner, DialogParam* param) {
  if (param != nullptr && param->copy_ref == nullptr) return -1;
  return edit_in_dialog(IDD_SETTINGS, owner, settings_dialog_proc, param);
}
