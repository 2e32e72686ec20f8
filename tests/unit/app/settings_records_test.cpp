// Byte images of the three settings records: every field at its file offset,
// little-endian, exactly the record's size.
#include "app/settings_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/config_file.h"
#include "platform/profile_codec.h"

namespace {

uint32_t word_at(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

std::string encode(const std::vector<uint8_t>& bytes) {
  std::vector<char> text(2 * bytes.size() + 3);
  platform::encode_profile_record(bytes.data(), bytes.size(), text.data());
  return text.data();
}

// A record with a different value in every field, so a field written to the
// wrong offset shows.
ListParam distinct_list_param() {
  ListParam list{};
  for (int i = 0; i < kColumnCount; ++i) list.column_width[i] = 0x01020300 + i;
  for (int i = 0; i < kCustomColorCount; ++i) list.custom_colors[i] = 0x00A0B000 + i;
  list.text_color = 0x00112233;
  list.back_color = 0x00445566;
  for (int i = 0; i < kStateSlotCount; ++i) {
    list.state_text_color[i] = 0x00C0D000 + i;
    list.state_back_color[i] = 0x00E0F000 + i;
  }
  return list;
}

}  // namespace

TEST(SettingsRecordsTest, DialogParamDefaultsGiveTheDocumentedValue) {
  ListParam list{};
  CopyParam copy{};
  DialogParam dialog{};
  dialog.list_ref = &list;
  dialog.copy_ref = &copy;
  set_default_dialog_param(&dialog);
  std::vector<uint8_t> bytes(kDialogParamSize, 0xEE);
  dialog_param_to_bytes(dialog, bytes.data());
  // The references are in memory only: the file gets two zero words.
  EXPECT_EQ(encode(bytes), "000000000000000018FCFFFF18FCFFFF0000000000000000E80300000100000010");
  EXPECT_EQ(dialog.list_ref, &list);
  EXPECT_EQ(dialog.copy_ref, &copy);
}

TEST(SettingsRecordsTest, DialogParamFieldsAtTheirOffsets) {
  DialogParam dialog{};
  dialog.window_x = -499;
  dialog.window_y = 0x01020304;
  dialog.window_width = 800;
  dialog.window_height = -1;
  dialog.refresh_interval = 5000;
  dialog.autoscroll = 0;
  dialog.reserved[0] = 0xAB;
  dialog.reserved[2] = 0xCD;
  std::vector<uint8_t> bytes(kDialogParamSize + 1, 0x77);
  dialog_param_to_bytes(dialog, bytes.data());
  EXPECT_EQ(word_at(bytes, 8), static_cast<uint32_t>(-499));
  EXPECT_EQ(bytes[12], 0x04);  // little-endian
  EXPECT_EQ(bytes[15], 0x01);
  EXPECT_EQ(word_at(bytes, 16), 800u);
  EXPECT_EQ(word_at(bytes, 20), 0xFFFFFFFFu);
  EXPECT_EQ(word_at(bytes, 24), 5000u);
  EXPECT_EQ(bytes[28], 0);
  EXPECT_EQ(bytes[29], 0xAB);
  EXPECT_EQ(bytes[31], 0xCD);
  EXPECT_EQ(bytes[32], 0x77) << "wrote past the record";

  // Reading leaves the references alone and takes every other byte.
  ListParam list{};
  DialogParam loaded{};
  loaded.list_ref = &list;
  dialog_param_from_bytes(bytes.data(), &loaded);
  EXPECT_EQ(loaded.list_ref, &list);
  EXPECT_EQ(loaded.copy_ref, nullptr);
  EXPECT_EQ(loaded.window_x, -499);
  EXPECT_EQ(loaded.window_y, 0x01020304);
  EXPECT_EQ(loaded.window_height, -1);
  EXPECT_EQ(loaded.refresh_interval, 5000);
  EXPECT_EQ(loaded.reserved[0], 0xAB);
  EXPECT_EQ(loaded.reserved[2], 0xCD);
}

TEST(SettingsRecordsTest, ListParamFieldsAtTheirOffsets) {
  ListParam list = distinct_list_param();
  std::vector<uint8_t> bytes(kListParamSize + 1, 0x77);
  list_param_to_bytes(list, bytes.data());
  for (int i = 0; i < kColumnCount; ++i) EXPECT_EQ(word_at(bytes, 4 * i), 0x01020300u + i);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[3], 0x01);
  for (int i = 0; i < kCustomColorCount; ++i)
    EXPECT_EQ(word_at(bytes, 28 + 4 * i), 0x00A0B000u + i);
  EXPECT_EQ(word_at(bytes, 92), 0x00112233u);
  EXPECT_EQ(word_at(bytes, 96), 0x00445566u);
  for (int i = 0; i < kStateSlotCount; ++i) {
    EXPECT_EQ(word_at(bytes, 100 + 4 * i), 0x00C0D000u + i);
    EXPECT_EQ(word_at(bytes, 124 + 4 * i), 0x00E0F000u + i);
  }
  EXPECT_EQ(bytes[148], 0x77) << "wrote past the record";

  ListParam loaded{};
  list_param_from_bytes(bytes.data(), &loaded);
  EXPECT_EQ(std::memcmp(&loaded, &list, sizeof list), 0);
}

TEST(SettingsRecordsTest, CopyParamKeepsEveryByteOfTheFolder) {
  CopyParam copy{};
  std::memset(copy.dest_folder, 0x5A, sizeof copy.dest_folder);
  std::strcpy(copy.dest_folder, "C:\\Tools\\");
  copy.buffer_size = 0x20000;
  copy.retry_timeout = 5000;
  copy.max_attempts = -7;
  copy.resume = 1;
  copy.reserved[0] = 1;
  copy.reserved[1] = 2;
  copy.reserved[2] = 3;
  std::vector<uint8_t> bytes(kCopyParamSize + 1, 0x77);
  copy_param_to_bytes(copy, bytes.data());
  EXPECT_EQ(std::memcmp(bytes.data(), "C:\\Tools\\\0", 10), 0);
  EXPECT_EQ(bytes[10], 0x5A) << "bytes behind the NUL are part of the record";
  EXPECT_EQ(bytes[259], 0x5A);
  EXPECT_EQ(word_at(bytes, 260), 0x20000u);
  EXPECT_EQ(word_at(bytes, 264), 5000u);
  EXPECT_EQ(word_at(bytes, 268), static_cast<uint32_t>(-7));
  EXPECT_EQ(bytes[272], 1);
  EXPECT_EQ(bytes[273], 1);
  EXPECT_EQ(bytes[275], 3);
  EXPECT_EQ(bytes[276], 0x77) << "wrote past the record";

  CopyParam loaded{};
  copy_param_from_bytes(bytes.data(), &loaded);
  EXPECT_EQ(std::memcmp(&loaded, &copy, sizeof copy), 0);
}
