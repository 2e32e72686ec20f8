// The configuration file beside the executable and the three records in it.
#pragma once

#include <cstddef>

#include "app/settings_records.h"

constexpr size_t kConfigPathCapacity = 260;

// Drive and directory of the running executable, ending in a backslash on
// Windows (the path separator elsewhere), followed by `file_name` when given.
// Leaves `out` unchanged when the path cannot be had or would not fit.
void exe_dir_path(char* out, const char* file_name);

// The record defaults used when a key is unreadable. Bytes without a default
// (state slots 4 and 5, reserved bytes, the folder behind its NUL) are zeroed.
inline void set_default_list_param(ListParam* list) { set_record_defaults(kListTable, list); }
inline void set_default_copy_param(CopyParam* copy) {
  set_record_defaults(kCopyTable, copy);
  exe_dir_path(copy->dest_folder, nullptr);
}
inline void set_default_dialog_param(DialogParam* dialog) {
  set_record_defaults(kDialogTable, dialog);
}

// Fills the three records from `config_path`, each with its defaults when its
// key is unreadable, and sets the references in `dialog`.
void load_settings(const char* config_path, ListParam* list, CopyParam* copy, DialogParam* dialog);
// Writes the three records to `config_path`; failures are ignored.
void save_settings(const char* config_path, const ListParam& list, const CopyParam& copy,
                   const DialogParam& dialog);
