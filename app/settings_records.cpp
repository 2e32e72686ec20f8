#include "app/settings_records.h"

#include <cstring>

namespace {

// Little-endian 32-bit words, byte by byte, so that the image is the same on
// every compiler and pointer width.
void put_u32(uint8_t* out, size_t offset, uint32_t value) {
  out[offset] = static_cast<uint8_t>(value);
  out[offset + 1] = static_cast<uint8_t>(value >> 8);
  out[offset + 2] = static_cast<uint8_t>(value >> 16);
  out[offset + 3] = static_cast<uint8_t>(value >> 24);
}

uint32_t get_u32(const uint8_t* in, size_t offset) {
  return static_cast<uint32_t>(in[offset]) | static_cast<uint32_t>(in[offset + 1]) << 8 |
         static_cast<uint32_t>(in[offset + 2]) << 16 | static_cast<uint32_t>(in[offset + 3]) << 24;
}

void put_i32(uint8_t* out, size_t offset, int32_t value) {
  put_u32(out, offset, static_cast<uint32_t>(value));
}

int32_t get_i32(const uint8_t* in, size_t offset) {
  return static_cast<int32_t>(get_u32(in, offset));
}

// ListParam offsets.
constexpr size_t kColumnWidthAt = 0;
constexpr size_t kCustomColorsAt = 28;
constexpr size_t kTextColorAt = 92;
constexpr size_t kBackColorAt = 96;
constexpr size_t kStateTextColorAt = 100;
constexpr size_t kStateBackColorAt = 124;

// CopyParam offsets.
constexpr size_t kDestFolderAt = 0;
constexpr size_t kBufferSizeAt = 260;
constexpr size_t kRetryTimeoutAt = 264;
constexpr size_t kMaxAttemptsAt = 268;
constexpr size_t kResumeAt = 272;
constexpr size_t kCopyReservedAt = 273;

// DialogParam offsets.
constexpr size_t kListRefAt = 0;
constexpr size_t kCopyRefAt = 4;
constexpr size_t kWindowXAt = 8;
constexpr size_t kWindowYAt = 12;
constexpr size_t kWindowWidthAt = 16;
constexpr size_t kWindowHeightAt = 20;
constexpr size_t kRefreshIntervalAt = 24;
constexpr size_t kAutoscrollAt = 28;
constexpr size_t kDialogReservedAt = 29;

static_assert(kStateBackColorAt + 4 * kStateSlotCount == kListParamSize, "ListParam image size");
static_assert(kCopyReservedAt + 3 == kCopyParamSize, "CopyParam image size");
static_assert(kDialogReservedAt + 3 == kDialogParamSize, "DialogParam image size");

}  // namespace

void list_param_to_bytes(const ListParam& param, uint8_t* out) {
  for (int i = 0; i < kColumnCount; ++i)
    put_i32(out, kColumnWidthAt + 4 * i, param.column_width[i]);
  for (int i = 0; i < kCustomColorCount; ++i) {
    put_u32(out, kCustomColorsAt + 4 * i, param.custom_colors[i]);
  }
  put_u32(out, kTextColorAt, param.text_color);
  put_u32(out, kBackColorAt, param.back_color);
  for (int i = 0; i < kStateSlotCount; ++i) {
    put_u32(out, kStateTextColorAt + 4 * i, param.state_text_color[i]);
    put_u32(out, kStateBackColorAt + 4 * i, param.state_back_color[i]);
  }
}

void list_param_from_bytes(const uint8_t* in, ListParam* param) {
  for (int i = 0; i < kColumnCount; ++i)
    param->column_width[i] = get_i32(in, kColumnWidthAt + 4 * i);
  for (int i = 0; i < kCustomColorCount; ++i) {
    param->custom_colors[i] = get_u32(in, kCustomColorsAt + 4 * i);
  }
  param->text_color = get_u32(in, kTextColorAt);
  param->back_color = get_u32(in, kBackColorAt);
  for (int i = 0; i < kStateSlotCount; ++i) {
    param->state_text_color[i] = get_u32(in, kStateTextColorAt + 4 * i);
    param->state_back_color[i] = get_u32(in, kStateBackColorAt + 4 * i);
  }
}

namespace {

// The 32-bit fields of a record and where they stand in its image.
template <typename Record>
struct Int32Field {
  size_t at;
  int32_t Record::*field;
};

constexpr Int32Field<CopyParam> kCopyInt32s[] = {
    {kBufferSizeAt, &CopyParam::buffer_size},
    {kRetryTimeoutAt, &CopyParam::retry_timeout},
    {kMaxAttemptsAt, &CopyParam::max_attempts},
};
constexpr Int32Field<DialogParam> kDialogInt32s[] = {
    {kWindowXAt, &DialogParam::window_x},
    {kWindowYAt, &DialogParam::window_y},
    {kWindowWidthAt, &DialogParam::window_width},
    {kWindowHeightAt, &DialogParam::window_height},
    {kRefreshIntervalAt, &DialogParam::refresh_interval},
};

template <typename Record, size_t kCount>
void put_fields(const Record& record, const Int32Field<Record> (&fields)[kCount], uint8_t* out) {
  for (const Int32Field<Record>& f : fields) put_i32(out, f.at, record.*f.field);
}

template <typename Record, size_t kCount>
void get_fields(const uint8_t* in, const Int32Field<Record> (&fields)[kCount], Record* record) {
  for (const Int32Field<Record>& f : fields) record->*f.field = get_i32(in, f.at);
}

}  // namespace

void copy_param_to_bytes(const CopyParam& param, uint8_t* out) {
  // The whole folder buffer, bytes behind the NUL included, so that a record
  // read from the file is written back unchanged.
  std::memcpy(out + kDestFolderAt, param.dest_folder, kFolderCapacity);
  put_fields(param, kCopyInt32s, out);
  out[kResumeAt] = param.resume;
  std::memcpy(out + kCopyReservedAt, param.reserved, sizeof param.reserved);
}

void copy_param_from_bytes(const uint8_t* in, CopyParam* param) {
  std::memcpy(param->dest_folder, in + kDestFolderAt, kFolderCapacity);
  get_fields(in, kCopyInt32s, param);
  param->resume = in[kResumeAt];
  std::memcpy(param->reserved, in + kCopyReservedAt, sizeof param->reserved);
}

void dialog_param_to_bytes(const DialogParam& param, uint8_t* out) {
  // The two reference words are written as zero: the file must not carry
  // memory addresses, and the same settings must always give the same file.
  put_u32(out, kListRefAt, 0);
  put_u32(out, kCopyRefAt, 0);
  put_fields(param, kDialogInt32s, out);
  out[kAutoscrollAt] = param.autoscroll;
  std::memcpy(out + kDialogReservedAt, param.reserved, sizeof param.reserved);
}

void dialog_param_from_bytes(const uint8_t* in, DialogParam* param) {
  get_fields(in, kDialogInt32s, param);
  param->autoscroll = in[kAutoscrollAt];
  std::memcpy(param->reserved, in + kDialogReservedAt, sizeof param->reserved);
}
