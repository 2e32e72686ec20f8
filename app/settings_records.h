// The three settings records: structs in memory, fixed-size byte images on disk
// (a file format). One table per record, one row per field, gives a field's
// place in the image, type, default, bounds and the dialog controls that edit
// it; the images, the defaults, the repair at load and the dialogs follow it.
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

// Bounds and defaults that other code names too.
constexpr int32_t kMaxBufferSize = 1048576;
constexpr int32_t kMaxRetryTimeout = 10000;
constexpr int32_t kMaxAttempts = 1000;
constexpr int32_t kMaxRefreshInterval = 5000;
constexpr int32_t kDefaultBufferSize = 131072;
constexpr int32_t kDefaultMaxAttempts = 5;

// How a field is kept, in memory as in the byte image (little-endian).
enum class FieldType : uint8_t {
  kNumber,     // signed 32-bit words
  kColor,      // ColorRef words
  kFlag,       // one byte, nonzero meaning on
  kText,       // a NUL-terminated text; every byte is kept, those behind the NUL too
  kReserved,   // bytes without meaning, carried through unchanged
  kReference,  // a pointer to another record in memory, a zero word in the file
};

// The default of element i: `each[i]` where `each` is given (one for every
// element), else `all`.
struct FieldDefault {
  int32_t all = 0;
  const int32_t* each = nullptr;
};

struct SettingField {
  size_t at;      // offset in the byte image
  size_t member;  // offset in the struct
  FieldType type;
  int count;  // elements of an array, bytes of a text or of reserved bytes
  FieldDefault initial;
  // The controls that edit it (res/resource.h), 0 for none: in the global
  // settings dialog, and in the file parameters dialog (a job's own copy).
  int settings_control = 0;
  int file_control = 0;
  // A number outside its bounds is refused by the dialogs, repaired at load.
  int32_t minimum = INT32_MIN;
  int32_t maximum = INT32_MAX;
};

struct SettingTable {
  const SettingField* fields;
  size_t count;
  size_t image_size;
};
inline const SettingField* begin(const SettingTable& table) { return table.fields; }
inline const SettingField* end(const SettingTable& table) { return table.fields + table.count; }

extern const SettingTable kListTable;
extern const SettingTable kCopyTable;
extern const SettingTable kDialogTable;

// Byte images: `record_to_bytes` writes exactly table.image_size bytes;
// `record_from_bytes` reads them and leaves the references untouched.
void record_to_bytes(const SettingTable& table, const void* record, uint8_t* out);
void record_from_bytes(const SettingTable& table, const uint8_t* in, void* record);
// Every field its default but the references; texts and reserved bytes zero.
void set_record_defaults(const SettingTable& table, void* record);
// Every number outside its bounds takes its default.
void repair_record(const SettingTable& table, void* record);

// Where `field` lies in `record`, and element `index` of a number, colour
// or flag field.
inline uint8_t* field_bytes(const SettingField& field, void* record) {
  return static_cast<uint8_t*>(record) + field.member;
}
inline const uint8_t* field_bytes(const SettingField& field, const void* record) {
  return static_cast<const uint8_t*>(record) + field.member;
}
int32_t field_value(const SettingField& field, const void* record, int index = 0);
void set_field_value(const SettingField& field, void* record, int32_t value, int index = 0);
constexpr bool in_bounds(const SettingField& field, int32_t value) {
  return value >= field.minimum && value <= field.maximum;
}

// The byte images of the three records, as the configuration file keeps them.
inline void list_param_to_bytes(const ListParam& list, uint8_t* out) {
  record_to_bytes(kListTable, &list, out);
}
inline void list_param_from_bytes(const uint8_t* in, ListParam* list) {
  record_from_bytes(kListTable, in, list);
}
inline void copy_param_to_bytes(const CopyParam& copy, uint8_t* out) {
  record_to_bytes(kCopyTable, &copy, out);
}
inline void copy_param_from_bytes(const uint8_t* in, CopyParam* copy) {
  record_from_bytes(kCopyTable, in, copy);
}
inline void dialog_param_to_bytes(const DialogParam& dialog, uint8_t* out) {
  record_to_bytes(kDialogTable, &dialog, out);
}
inline void dialog_param_from_bytes(const uint8_t* in, DialogParam* dialog) {
  record_from_bytes(kDialogTable, in, dialog);
}
