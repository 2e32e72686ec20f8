#include "ui/dialogs/dialog_items.h"

#include <algorithm>
#include <cstring>
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

void limit_item_text(HWND dialog, int control_id, int limit) {
  SendDlgItemMessageA(dialog, control_id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
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

}  // namespace

std::wstring wide_table_text(unsigned id) {
  char text[kTextCapacity];
  load_text(text, id, kTextCapacity);
  std::wstring wide;
  platform::widen(text, &wide);
  return wide;
}

void warn_wide(HWND owner, unsigned id, const std::wstring& name, int count) {
  std::wstring text = wide_table_text(id);
  replace_first(&text, L"%d", std::to_wstring(count));
  replace_first(&text, L"%s", name);
  const std::wstring caption = wide_table_text(IDS_ERROR_CAPTION);
  MessageBoxW(owner, text.c_str(), caption.c_str(), MB_ICONWARNING | MB_OK);
}

namespace {

// Reads at most kNumberInputLimit characters of edit `control_id` and
// converts them with text_to_int32.
int32_t read_item_number(HWND dialog, int control_id) {
  char text[kNumberInputLimit + 1] = {};
  SendDlgItemMessageA(dialog, control_id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text_to_int32(text);
}

// `action(field, control)` for every field with a control in `column`.
template <typename Action>
void for_each_bound(const SettingTable& table, ControlColumn column, Action action) {
  for (const SettingField& field : table) {
    if (field.*column != 0) action(field, field.*column);
  }
}

// A flag as a tick; a number in decimal; a text up to its NUL, at most
// count - 1 characters (a record from the file may lack the NUL).
void show_field(HWND dialog, const SettingField& field, int control, const void* record) {
  const int32_t value = field_value(field, record);
  if (field.type == FieldType::kFlag) {
    SendDlgItemMessageA(dialog, control, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return;
  }
  const char* bytes = reinterpret_cast<const char*>(field_bytes(field, record));
  const std::string text = field.type == FieldType::kText
                               ? std::string(bytes, std::find(bytes, bytes + field.count - 1, '\0'))
                               : std::to_string(value);
  SendDlgItemMessageA(dialog, control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  limit_item_text(dialog, control,
                  field.type == FieldType::kText ? field.count : kNumberInputLimit);
}

bool field_valid(HWND dialog, const SettingField& field, int control) {
  if (field.type == FieldType::kText) return !item_wide_text(dialog, control).empty();
  return field.type != FieldType::kNumber || in_bounds(field, read_item_number(dialog, control));
}

// A text the code page cannot hold is named, never replaced by a look-alike;
// one too long for the record (a Cyrillic letter takes two bytes in UTF-8) is
// refused, never cut.
bool text_fits(HWND dialog, const SettingField& field, int control) {
  const std::wstring typed = item_wide_text(dialog, control);
  std::string text;
  if (!platform::narrow(typed, &text)) {
    warn_wide(dialog, IDS_NAME_UNHELD, typed);
    return false;
  }
  if (text.size() < static_cast<size_t>(field.count)) return true;
  warn(dialog, IDS_PATH_TOO_LONG, text.c_str());
  return false;
}

void store_field(HWND dialog, const SettingField& field, int control, void* record) {
  if (field.type == FieldType::kFlag) {
    const LRESULT check = SendDlgItemMessageA(dialog, control, BM_GETCHECK, 0, 0);
    set_field_value(field, record, check == BST_CHECKED ? 1 : 0);
  } else if (field.type != FieldType::kText) {
    set_field_value(field, record, read_item_number(dialog, control));
  } else {
    std::string text;
    platform::narrow(item_wide_text(dialog, control), &text);
    // The record is persisted byte by byte: no stale bytes after the NUL.
    std::memset(field_bytes(field, record), 0, static_cast<size_t>(field.count));
    std::memcpy(field_bytes(field, record), text.data(), text.size());
  }
}

}  // namespace

void show_fields(HWND dialog, const SettingTable& table, const void* record, ControlColumn column) {
  for_each_bound(table, column, [&](const SettingField& field, int control) {
    show_field(dialog, field, control, record);
  });
}

void enable_fields(HWND dialog, const SettingTable& table, ControlColumn column, bool enabled) {
  for_each_bound(table, column,
                 [&](const SettingField&, int control) { enable_item(dialog, control, enabled); });
}

bool fields_valid(HWND dialog, const SettingTable& table, ControlColumn column) {
  bool valid = true;
  for_each_bound(table, column, [&](const SettingField& field, int control) {
    valid = valid && field_valid(dialog, field, control);
  });
  return valid;
}

bool texts_fit(HWND dialog, const SettingTable& table, ControlColumn column) {
  bool fit = true;
  for_each_bound(table, column, [&](const SettingField& field, int control) {
    fit = fit && (field.type != FieldType::kText || text_fits(dialog, field, control));
  });
  return fit;
}

void store_fields(HWND dialog, const SettingTable& table, void* record, ControlColumn column) {
  for_each_bound(table, column, [&](const SettingField& field, int control) {
    store_field(dialog, field, control, record);
  });
}
