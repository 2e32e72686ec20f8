#include "app/config_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/legacy_text.h"
#include "app/text_format.h"
#include "platform/platform.h"
#include "platform/profile_codec.h"

namespace {

constexpr char kSection[] = "Options";
constexpr char kListKey[] = "list_param";
constexpr char kCopyKey[] = "copy_param";
constexpr char kDialogKey[] = "dialog_param";

constexpr size_t kMaxDirectory = 255;
constexpr size_t kLargestImage = std::max({kListParamSize, kCopyParamSize, kDialogParamSize});

constexpr int32_t kIconColumnWidth = 20;

// A folder that an earlier version stored in Windows-1251 is no UTF-8 text:
// where the program's texts are UTF-8 it is converted once, here. One that
// no longer fits the record in UTF-8 gives way to the default folder rather
// than be cut.
void convert_legacy_folder(CopyParam* copy) {
  char folder[kFolderCapacity];
  std::memcpy(folder, copy->dest_folder, sizeof folder);
  folder[kFolderCapacity - 1] = '\0';
  if (!platform::texts_are_utf8() || is_utf8(folder)) return;
  char converted[kFolderCapacity] = {};
  if (!utf8_from_1251(folder, converted, sizeof converted)) {
    converted[0] = '\0';
    exe_dir_path(converted, nullptr);
  }
  std::memcpy(copy->dest_folder, converted, sizeof converted);
}

// True when the key was readable. The text's buffer is larger than any valid
// value: an overlong one is not cut to the right length by the reader to pass.
// A number outside what the dialogs accept (a hand-edited file) takes its default.
bool load_record(const char* path, const char* key, const SettingTable& table, void* record) {
  char text[2 * kLargestImage + 16];
  uint8_t bytes[kLargestImage];
  if (path == nullptr || path[0] == '\0' ||
      !platform::read_profile_value(path, kSection, key, text, sizeof text) ||
      !platform::decode_profile_record(text, bytes, table.image_size)) {
    return false;
  }
  record_from_bytes(table, bytes, record);
  repair_record(table, record);
  return true;
}

void save_record(const char* path, const char* key, const SettingTable& table, const void* record) {
  uint8_t bytes[kLargestImage];
  record_to_bytes(table, record, bytes);
  platform::write_profile_record(path, kSection, key, bytes, table.image_size);
}

}  // namespace

void exe_dir_path(char* out, const char* file_name) {
  char path[kConfigPathCapacity];
  if (!platform::executable_path(path, sizeof path)) return;

  const size_t drive = platform::drive_length(path);
  // One past the last separator.
  const size_t end =
      static_cast<size_t>(after_last_of(path + drive, platform::path_separators()) - path);
  if (end - drive > kMaxDirectory) return;

  size_t name_length = file_name != nullptr ? std::strlen(file_name) : 0;
  if (end + name_length >= kConfigPathCapacity) return;
  std::memcpy(out, path, end);
  if (name_length > 0) std::memcpy(out + end, file_name, name_length);
  out[end + name_length] = '\0';
}

void load_settings(const char* config_path, ListParam* list, CopyParam* copy, DialogParam* dialog) {
  if (!load_record(config_path, kListKey, kListTable, list)) set_default_list_param(list);
  // The icon column always starts at its fixed width; the stored one is unused.
  list->column_width[0] = kIconColumnWidth;

  if (load_record(config_path, kCopyKey, kCopyTable, copy)) {
    convert_legacy_folder(copy);
  } else {
    set_default_copy_param(copy);
  }

  if (!load_record(config_path, kDialogKey, kDialogTable, dialog)) {
    set_default_dialog_param(dialog);
  }
  dialog->list_ref = list;
  dialog->copy_ref = copy;
}

void save_settings(const char* config_path, const ListParam& list, const CopyParam& copy,
                   const DialogParam& dialog) {
  if (config_path == nullptr || config_path[0] == '\0') return;
  save_record(config_path, kListKey, kListTable, &list);
  save_record(config_path, kCopyKey, kCopyTable, &copy);
  save_record(config_path, kDialogKey, kDialogTable, &dialog);
}
