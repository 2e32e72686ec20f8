#include "app/config_file.h"

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

constexpr int32_t kIconColumnWidth = 20;
constexpr int32_t kDefaultColumnWidth[kColumnCount] = {20, 170, 80, 100, 80, 90, 500};
constexpr ColorRef kWhite = 0x00FFFFFF;
constexpr ColorRef kDefaultStateText[4] = {0x005A5A5A, 0x00141414, 0x000000FF, 0x00FF0000};
constexpr ColorRef kDefaultStateBack[4] = {0x00FFFFFF, 0x001EFF1E, 0x00FFFFFF, 0x00FFFFFF};

// Reads one key and decodes it into `bytes` (size bytes). The buffer is larger
// than any valid value so that an overlong value cannot be cut down to the
// right length by the reader and pass.
bool read_record(const char* path, const char* key, uint8_t* bytes, size_t size) {
  if (path == nullptr || path[0] == '\0') return false;
  char text[2 * kCopyParamSize + 16];
  if (!platform::read_profile_value(path, kSection, key, text, sizeof text)) return false;
  return platform::decode_profile_record(text, bytes, size);
}

// A hand-edited file must not make the program spin or allocate nonsense: a
// field outside what the settings dialog accepts falls back to its default.
void repair_copy_param(CopyParam* copy) {
  if (!in_setting_range(copy->buffer_size, kMaxBufferSize)) copy->buffer_size = kDefaultBufferSize;
  if (!in_setting_range(copy->retry_timeout, kMaxRetryTimeout))
    copy->retry_timeout = kDefaultRetryTimeout;
  if (!in_setting_range(copy->max_attempts, kMaxAttempts)) copy->max_attempts = kDefaultMaxAttempts;
}

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

void repair_dialog_param(DialogParam* dialog) {
  if (!in_setting_range(dialog->refresh_interval, kMaxRefreshInterval)) {
    dialog->refresh_interval = kDefaultRefreshInterval;
  }
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

void set_default_list_param(ListParam* list) {
  std::memset(list, 0, sizeof *list);
  for (int i = 0; i < kColumnCount; ++i) list->column_width[i] = kDefaultColumnWidth[i];
  for (int i = 0; i < kCustomColorCount; ++i) list->custom_colors[i] = kWhite;
  list->text_color = 0x00000000;
  list->back_color = kWhite;
  for (int i = 0; i < 4; ++i) {
    list->state_text_color[i] = kDefaultStateText[i];
    list->state_back_color[i] = kDefaultStateBack[i];
  }
}

void set_default_copy_param(CopyParam* copy) {
  std::memset(copy, 0, sizeof *copy);
  exe_dir_path(copy->dest_folder, nullptr);
  copy->buffer_size = kDefaultBufferSize;
  copy->retry_timeout = kDefaultRetryTimeout;
  copy->max_attempts = kDefaultMaxAttempts;
  copy->resume = 1;
}

void set_default_dialog_param(DialogParam* dialog) {
  ListParam* list = dialog->list_ref;
  CopyParam* copy = dialog->copy_ref;
  std::memset(dialog, 0, sizeof *dialog);
  dialog->list_ref = list;
  dialog->copy_ref = copy;
  dialog->window_x = -1000;
  dialog->window_y = -1000;
  dialog->window_width = 0;
  dialog->window_height = 0;
  dialog->refresh_interval = kDefaultRefreshInterval;
  dialog->autoscroll = 1;
}

void load_settings(const char* config_path, ListParam* list, CopyParam* copy, DialogParam* dialog) {
  uint8_t bytes[kCopyParamSize];

  if (read_record(config_path, kListKey, bytes, kListParamSize)) {
    list_param_from_bytes(bytes, list);
  } else {
    set_default_list_param(list);
  }
  // The icon column always starts at its fixed width; the stored one is unused.
  list->column_width[0] = kIconColumnWidth;

  if (read_record(config_path, kCopyKey, bytes, kCopyParamSize)) {
    copy_param_from_bytes(bytes, copy);
    repair_copy_param(copy);
    convert_legacy_folder(copy);
  } else {
    set_default_copy_param(copy);
  }

  if (read_record(config_path, kDialogKey, bytes, kDialogParamSize)) {
    dialog_param_from_bytes(bytes, dialog);
    repair_dialog_param(dialog);
  } else {
    set_default_dialog_param(dialog);
  }

  dialog->list_ref = list;
  dialog->copy_ref = copy;
}

void save_settings(const char* config_path, const ListParam& list, const CopyParam& copy,
                   const DialogParam& dialog) {
  if (config_path == nullptr || config_path[0] == '\0') return;
  uint8_t bytes[kCopyParamSize];
  list_param_to_bytes(list, bytes);
  platform::write_profile_record(config_path, kSection, kListKey, bytes, kListParamSize);
  copy_param_to_bytes(copy, bytes);
  platform::write_profile_record(config_path, kSection, kCopyKey, bytes, kCopyParamSize);
  dialog_param_to_bytes(dialog, bytes);
  platform::write_profile_record(config_path, kSection, kDialogKey, bytes, kDialogParamSize);
}
