#include "ui/dialogs/dialog_items.h"

#include <cstdio>
#include <vector>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "platform/win32/wide_text.h"
#include "res/string_ids.h"
#include "ui/dialogs/number_text.h"

void set_title_text(HWND dialog, unsigned string_id) {
  char text[kTextCapacity];
  load_text(text, string_id, kTextCapacity);
  SetWindowTextA(dialog, text);
}

void set_item_string(HWND dialog, int control_id, unsigned string_id) {
  char text[kTextCapacity];
  load_text(text, string_id, kTextCapacity);
  SendDlgItemMessageA(dialog, control_id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void set_item_number(HWND dialog, int control_id, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  SendDlgItemMessageA(dialog, control_id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void limit_item_text(HWND dialog, int control_id, int limit) {
  SendDlgItemMessageA(dialog, control_id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

int32_t read_item_number(HWND dialog, int control_id) {
  char text[kNumberInputLimit + 1] = {};
  SendDlgItemMessageA(dialog, control_id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text_to_int32(text);
}

std::wstring item_wide_text(HWND dialog, int control_id) {
  const LRESULT length = SendDlgItemMessageW(dialog, control_id, WM_GETTEXTLENGTH, 0, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const LRESULT got = SendDlgItemMessageW(dialog, control_id, WM_GETTEXT, wide.size(),
                                          reinterpret_cast<LPARAM>(wide.data()));
  return std::wstring(wide.data(), static_cast<size_t>(got > 0 ? got : 0));
}

void enable_item(HWND dialog, int control_id, bool enabled) {
  EnableWindow(GetDlgItem(dialog, control_id), enabled ? TRUE : FALSE);
}

void set_check(HWND dialog, int control_id, bool checked) {
  SendDlgItemMessageA(dialog, control_id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool is_checked(HWND dialog, int control_id) {
  return SendDlgItemMessageA(dialog, control_id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void show_warning(HWND owner, const char* text) {
  char caption[kTextCapacity];
  load_text(caption, IDS_ERROR_CAPTION, kTextCapacity);
  MessageBoxA(owner, text, caption, MB_ICONWARNING | MB_OK);
}

void warn_invalid_value(HWND dialog) {
  char text[kTextCapacity];
  load_text(text, IDS_INVALID_VALUE, kTextCapacity);
  show_warning(dialog, text);
}

INT_PTR run_modal_dialog(int id, HWND owner, DLGPROC procedure, LPARAM argument) {
  return DialogBoxParamA(resource_module(), MAKEINTRESOURCEA(id), owner, procedure, argument);
}

INT_PTR edit_in_dialog(int id, HWND owner, DLGPROC procedure, void* record) {
  if (record == nullptr) return -1;
  return run_modal_dialog(id, owner, procedure, reinterpret_cast<LPARAM>(record));
}

namespace {

void replace_first(std::wstring* text, const wchar_t* directive, const std::wstring& value) {
  const std::wstring::size_type at = text->find(directive);
  if (at != std::wstring::npos) text->replace(at, 2, value);
}

std::wstring wide_table_text(unsigned id) {
  char text[kTextCapacity];
  load_text(text, id, kTextCapacity);
  std::wstring wide;
  platform::widen(text, &wide);
  return wide;
}

}  // namespace

void warn_wide(HWND owner, unsigned id, const std::wstring& name, int count) {
  std::wstring text = wide_table_text(id);
  replace_first(&text, L"%d", std::to_wstring(count));
  replace_first(&text, L"%s", name);
  const std::wstring caption = wide_table_text(IDS_ERROR_CAPTION);
  MessageBoxW(owner, text.c_str(), caption.c_str(), MB_ICONWARNING | MB_OK);
}
