#include "app/settings_records.h"

#include <cstring>
#include <iterator>

#include "res/resource.h"

// A field's bytes in memory are its bytes in the file: the tables' offsets
// leave out the build's layout and pointer width, and the words of every
// target are little-endian, as the file's are.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the records' words are little-endian");

namespace {

using Type = FieldType;

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kColumnWidths[kColumnCount] = {20, 170, 80, 100, 80, 90, 500};
// States 0..3: queued, running, error, completed. Slots 4 and 5 have none.
constexpr int32_t kStateText[kStateSlotCount] = {0x005A5A5A, 0x00141414, 0x000000FF, 0x00FF0000};
constexpr int32_t kStateBack[kStateSlotCount] = {0x00FFFFFF, 0x001EFF1E, 0x00FFFFFF, 0x00FFFFFF};

// The colours have no control column: the colour scheme dialog's swatches
// edit them, found by its swatch_field.
// clang-format off
constexpr SettingField kListFields[] = {
  // at   in memory                              type           count              default
    {0,   offsetof(ListParam, column_width),     Type::kNumber, kColumnCount,      {0, kColumnWidths}},
    {28,  offsetof(ListParam, custom_colors),    Type::kColor,  kCustomColorCount, {kWhite}},
    {92,  offsetof(ListParam, text_color),       Type::kColor,  1,                 {0x00000000}},
    {96,  offsetof(ListParam, back_color),       Type::kColor,  1,                 {kWhite}},
    {100, offsetof(ListParam, state_text_color), Type::kColor,  kStateSlotCount,   {0, kStateText}},
    {124, offsetof(ListParam, state_back_color), Type::kColor,  kStateSlotCount,   {0, kStateBack}},
};

// dest_folder's default, the executable's folder, is set by set_default_copy_param.
constexpr SettingField kCopyFields[] = {
  // at   in memory                           type             count            default               settings dialog    file dialog             bounds
    {0,   offsetof(CopyParam, dest_folder),   Type::kText,     kFolderCapacity, {},                   IDC_DEST_FOLDER},
    {260, offsetof(CopyParam, buffer_size),   Type::kNumber,   1,               {kDefaultBufferSize}, IDC_BUFFER_SIZE,   IDC_FILE_BUFFER_SIZE,   1, kMaxBufferSize},
    {264, offsetof(CopyParam, retry_timeout), Type::kNumber,   1,               {5000},               IDC_RETRY_TIMEOUT, IDC_FILE_RETRY_TIMEOUT, 1, kMaxRetryTimeout},
    {268, offsetof(CopyParam, max_attempts),  Type::kNumber,   1,               {kDefaultMaxAttempts}, IDC_MAX_ATTEMPTS, 0,                      1, kMaxAttempts},
    {272, offsetof(CopyParam, resume),        Type::kFlag,     1,               {1},                  IDC_RESUME},
    {273, offsetof(CopyParam, reserved),      Type::kReserved, 3,               {}},
};

constexpr SettingField kDialogFields[] = {
  // at  in memory                                type              count  default  settings dialog       file dialog  bounds
    {0,  offsetof(DialogParam, list_ref),         Type::kReference, 1,     {}},
    {4,  offsetof(DialogParam, copy_ref),         Type::kReference, 1,     {}},
    {8,  offsetof(DialogParam, window_x),         Type::kNumber,    1,     {-1000}},
    {12, offsetof(DialogParam, window_y),         Type::kNumber,    1,     {-1000}},
    {16, offsetof(DialogParam, window_width),     Type::kNumber,    1,     {0}},
    {20, offsetof(DialogParam, window_height),    Type::kNumber,    1,     {0}},
    {24, offsetof(DialogParam, refresh_interval), Type::kNumber,    1,     {1000},  IDC_REFRESH_INTERVAL, 0,           1, kMaxRefreshInterval},
    {28, offsetof(DialogParam, autoscroll),       Type::kFlag,      1,     {1},     IDC_AUTOSCROLL},
    {29, offsetof(DialogParam, reserved),         Type::kReserved,  3,     {}},
};
// clang-format on

// Bytes of one element: a word for a number, a colour or a reference.
constexpr size_t element_width(const SettingField& field) {
  const bool word =
      field.type == Type::kNumber || field.type == Type::kColor || field.type == Type::kReference;
  return word ? 4 : 1;
}

constexpr size_t image_width(const SettingField& field) {
  return element_width(field) * static_cast<size_t>(field.count);
}

// The rows follow each other without gap or overlap and fill the image.
template <size_t kCount>
constexpr bool fills_image(const SettingField (&fields)[kCount], size_t size) {
  size_t at = 0;
  for (const SettingField& field : fields) {
    if (field.at != at) return false;
    at += image_width(field);
  }
  return at == size;
}
static_assert(fills_image(kListFields, kListParamSize), "ListParam image");
static_assert(fills_image(kCopyFields, kCopyParamSize), "CopyParam image");
static_assert(fills_image(kDialogFields, kDialogParamSize), "DialogParam image");

int32_t default_value(const SettingField& field, int index) {
  return field.initial.each != nullptr ? field.initial.each[index] : field.initial.all;
}

}  // namespace

const SettingTable kListTable = {kListFields, std::size(kListFields), kListParamSize};
const SettingTable kCopyTable = {kCopyFields, std::size(kCopyFields), kCopyParamSize};
const SettingTable kDialogTable = {kDialogFields, std::size(kDialogFields), kDialogParamSize};

int32_t field_value(const SettingField& field, const void* record, int index) {
  const size_t width = element_width(field);
  int32_t value = 0;
  std::memcpy(&value, field_bytes(field, record) + width * index, width);
  return value;
}

void set_field_value(const SettingField& field, void* record, int32_t value, int index) {
  const size_t width = element_width(field);
  std::memcpy(field_bytes(field, record) + width * index, &value, width);
}

void record_to_bytes(const SettingTable& table, const void* record, uint8_t* out) {
  for (const SettingField& field : table) {
    // Texts whole, so that a record read is written back unchanged; no
    // memory address, so that the same settings always give the same file.
    if (field.type == Type::kReference) {
      std::memset(out + field.at, 0, image_width(field));
    } else {
      std::memcpy(out + field.at, field_bytes(field, record), image_width(field));
    }
  }
}

void record_from_bytes(const SettingTable& table, const uint8_t* in, void* record) {
  for (const SettingField& field : table) {
    if (field.type != Type::kReference) {
      std::memcpy(field_bytes(field, record), in + field.at, image_width(field));
    }
  }
}

void set_record_defaults(const SettingTable& table, void* record) {
  for (const SettingField& field : table) {
    if (field.type == Type::kText || field.type == Type::kReserved) {
      std::memset(field_bytes(field, record), 0, image_width(field));
    } else if (field.type != Type::kReference) {
      for (int i = 0; i < field.count; ++i)
        set_field_value(field, record, default_value(field, i), i);
    }
  }
}

void repair_record(const SettingTable& table, void* record) {
  for (const SettingField& field : table) {
    for (int i = 0; field.type == Type::kNumber && i < field.count; ++i) {
      if (!in_bounds(field, field_value(field, record, i))) {
        set_field_value(field, record, default_value(field, i), i);
      }
    }
  }
}
