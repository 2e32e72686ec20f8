// The three settings records. In memory they are ordinary structs; on disk each
// is a fixed-size little-endian byte image (a file format), built field by field
// so that it does not depend on the compiler's layout or pointer width.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kColumnCount = 7;
constexpr int kCustomColorCount = 16;
constexpr int kStateSlotCount = 6;
constexpr size_t kFolderCapacity = 260;  // dest_folder: 259 characters and a NUL

constexpr size_t kListParamSize = 148;
constexpr size_t kCopyParamSize = 276;
constexpr size_t kDialogParamSize = 32;

using ColorRef = uint32_t;  // 0x00BBGGRR

struct ListParam {
  int32_t column_width[kColumnCount];
  ColorRef custom_colors[kCustomColorCount];
  ColorRef text_color;
  ColorRef back_color;
  ColorRef state_text_color[kStateSlotCount];
  ColorRef state_back_color[kStateSlotCount];
};

struct CopyParam {
  char dest_folder[kFolderCapacity];
  int32_t buffer_size;
  int32_t retry_timeout;
  int32_t max_attempts;
  uint8_t resume;
  uint8_t reserved[3];
};

struct DialogParam {
  ListParam* list_ref;  // stored in the file as a zero word
  CopyParam* copy_ref;  // stored in the file as a zero word
  int32_t window_x;
  int32_t window_y;
  int32_t window_width;
  int32_t window_height;
  int32_t refresh_interval;
  uint8_t autoscroll;
  uint8_t reserved[3];
};

// Byte images. `to_bytes` writes exactly k*Size bytes; `from_bytes` reads them.
// DialogParam's from_bytes leaves list_ref and copy_ref untouched.
void list_param_to_bytes(const ListParam& param, uint8_t* out);
void list_param_from_bytes(const uint8_t* in, ListParam* param);
void copy_param_to_bytes(const CopyParam& param, uint8_t* out);
void copy_param_from_bytes(const uint8_t* in, CopyParam* param);
void dialog_param_to_bytes(const DialogParam& param, uint8_t* out);
void dialog_param_from_bytes(const uint8_t* in, DialogParam* param);

// Valid ranges, as the settings dialogs enforce them (minimum 1 for each).
constexpr int32_t kMaxBufferSize = 1048576;
constexpr int32_t kMaxRetryTimeout = 10000;
constexpr int32_t kMaxAttempts = 1000;
constexpr int32_t kMaxRefreshInterval = 5000;
// True for 1..maximum, the range of each of the fields above.
constexpr bool in_setting_range(int32_t value, int32_t maximum) {
  return value >= 1 && value <= maximum;
}

// Defaults of the fields that have a valid range.
constexpr int32_t kDefaultBufferSize = 131072;
constexpr int32_t kDefaultRetryTimeout = 5000;
constexpr int32_t kDefaultMaxAttempts = 5;
constexpr int32_t kDefaultRefreshInterval = 1000;
