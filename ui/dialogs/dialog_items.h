// What the dialogs share: texts from the string table into controls, the
// controls of the settings records' fields, the warning about invalid input,
// and the one dialog procedure.
#pragma once

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings_records.h"
#include "app/text_format.h"

// Edits that take a number accept at most this many characters.
constexpr int kNumberInputLimit = 10;
// Edits that show or take a job's path accept the longest path the system
// takes ("\\?\" and 32,767 characters).
constexpr int kLongPathInputLimit = 32767;

// Sets the dialog's title to string `string_id`.
void set_title_text(HWND dialog, unsigned string_id);
// Sets the text of control `control_id` to string `string_id`.
void set_item_string(HWND dialog, int control_id, unsigned string_id);
// A control and the string-table text it shows.
struct ItemText {
  int control;
  unsigned text;
};
// Sets the text of every control in `items` from its string.
template <size_t kCount>
void set_item_strings(HWND dialog, const ItemText (&items)[kCount]) {
  for (const ItemText& item : items) set_item_string(dialog, item.control, item.text);
}
// Limits how many characters the user can type into edit `control_id`.
void limit_item_text(HWND dialog, int control_id, int limit);
// The text of control `control_id`, read in UTF-16: a path typed or chosen
// there may hold names that the program's code page cannot.
std::wstring item_wide_text(HWND dialog, int control_id);
// Enables or greys control `control_id`.
void enable_item(HWND dialog, int control_id, bool enabled);

// The fields that a settings table binds to a dialog's controls (the column
// names the dialog) are shown, checked and stored by these alone.
using ControlColumn = int SettingField::*;
constexpr ControlColumn kSettingsDialogControls = &SettingField::settings_control;
constexpr ControlColumn kFileDialogControls = &SettingField::file_control;

// Numbers and texts into their edits, as long as the field takes; flags as ticks.
void show_fields(HWND dialog, const SettingTable& table, const void* record, ControlColumn column);
// Enables or greys the fields' controls.
void enable_fields(HWND dialog, const SettingTable& table, ControlColumn column, bool enabled);
// True when every number lies within its bounds and no text is empty.
bool fields_valid(HWND dialog, const SettingTable& table, ControlColumn column);
// True when every text can be had in the program's code page and fits its
// field; otherwise a box names the text that cannot, and false.
bool texts_fit(HWND dialog, const SettingTable& table, ControlColumn column);
// Stores every field from its control; only after both checks above.
void store_fields(HWND dialog, const SettingTable& table, void* record, ControlColumn column);

// Runs the program's dialog template `id` modally over `owner`, its creation
// argument `argument`; the dialog's result, -1 when it cannot be shown.
INT_PTR run_modal_dialog(int id, HWND owner, DLGPROC procedure, LPARAM argument);
// The same for a dialog that edits `record`: -1 without one.
INT_PTR edit_in_dialog(int id, HWND owner, DLGPROC procedure, void* record);
// A warning box showing `text` with the caption "Ошибка", owned by `owner`.
void show_warning(HWND owner, const char* text);
// "Ошибка: Недопустимое значение" with the caption "Ошибка", owned by `dialog`.
void warn_invalid_value(HWND dialog);
// A warning box whose text is string `id` formatted with `values`.
template <typename... Values>
void warn(HWND owner, unsigned id, Values... values) {
  char* text = format_text(id, values...);
  show_warning(owner, text != nullptr ? text : "");
  std::free(text);
}
// A warning box whose text is string `id`, its "%d" replaced by `count` and
// its "%s" by `name`, shown in UTF-16: the name may be one that the program's
// code page cannot hold.
void warn_wide(HWND owner, unsigned id, const std::wstring& name, int count = 0);
// String `id` of the program's table in UTF-16, for the wide calls.
std::wstring wide_table_text(unsigned id);

// A dialog keeps the record it was opened with (settings, a job) in its own
// DWLP_USER from WM_INITDIALOG on; each message goes to its handler with that
// record, typed, or where the handler is null to the dialog manager.
template <typename Record>
struct DialogHandlers {
  void (*open)(HWND dialog, Record* record) = nullptr;
  // wparam whole: the command's id in its low word, the notification's code high.
  void (*command)(HWND dialog, Record* record, WPARAM wparam) = nullptr;
  void (*timer)(HWND dialog, Record* record, UINT_PTR timer_id) = nullptr;
  void (*notify)(HWND dialog, Record* record, const NMHDR* header) = nullptr;
  void (*close)(HWND dialog, Record* record) = nullptr;
};

// The procedure of the dialog `on` serves. TRUE answers the messages served in
// full: WM_INITDIALOG (the dialog manager sets the focus), WM_COMMAND, WM_TIMER.
template <typename Record, const DialogHandlers<Record>& on>
INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lparam);
  Record* record = reinterpret_cast<Record*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) on.open(dialog, record);
  if (message == WM_COMMAND) on.command(dialog, record, wparam);
  if (message == WM_TIMER && on.timer != nullptr) on.timer(dialog, record, wparam);
  // The controls' notifications come from this thread. One sent by another
  // thread may come from another program, its pointer meaning nothing here.
  if (message == WM_NOTIFY && on.notify != nullptr && !InSendMessage()) {
    on.notify(dialog, record, reinterpret_cast<const NMHDR*>(lparam));
  }
  if (message == WM_DESTROY && on.close != nullptr) on.close(dialog, record);
  return message == WM_INITDIALOG || message == WM_COMMAND ||
         (message == WM_TIMER && on.timer != nullptr);
}
