// The configuration file: defaults per record, the strict reading of each key,
// the repair of out-of-range values, and byte-for-byte round trips.
#include "app/config_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/profile_codec.h"
#include "tests/unit/support/temp_dir.h"

namespace {

std::string encode(const uint8_t* bytes, size_t size) {
  std::vector<char> text(2 * size + 3);
  platform::encode_profile_record(bytes, size, text.data());
  return text.data();
}

std::string encode_list(const ListParam& list) {
  uint8_t bytes[kListParamSize];
  list_param_to_bytes(list, bytes);
  return encode(bytes, sizeof bytes);
}
std::string encode_copy(const CopyParam& copy) {
  uint8_t bytes[kCopyParamSize];
  copy_param_to_bytes(copy, bytes);
  return encode(bytes, sizeof bytes);
}
std::string encode_dialog(const DialogParam& dialog) {
  uint8_t bytes[kDialogParamSize];
  dialog_param_to_bytes(dialog, bytes);
  return encode(bytes, sizeof bytes);
}

// Records unlike the defaults in every field, with the bytes that have no
// meaning (state slots 4 and 5, reserved bytes, the folder behind its NUL) set.
ListParam custom_list() {
  ListParam list{};
  const int32_t widths[kColumnCount] = {20, 11, 22, 33, 44, 55, 66};
  for (int i = 0; i < kColumnCount; ++i) list.column_width[i] = widths[i];
  for (int i = 0; i < kCustomColorCount; ++i) list.custom_colors[i] = 0x00010203u * (i + 1);
  list.text_color = 0x00123456;
  list.back_color = 0x00654321;
  for (int i = 0; i < kStateSlotCount; ++i) {
    list.state_text_color[i] = 0x00AA0000u + i;
    list.state_back_color[i] = 0x0000BB00u + i;
  }
  return list;
}

CopyParam custom_copy() {
  CopyParam copy{};
  std::memset(copy.dest_folder, 'x', sizeof copy.dest_folder);
  std::strcpy(copy.dest_folder, "D:\\Downloads");
  copy.buffer_size = 4096;
  copy.retry_timeout = 250;
  copy.max_attempts = 17;
  copy.resume = 0;
  copy.reserved[0] = 0xDE;
  copy.reserved[1] = 0xAD;
  copy.reserved[2] = 0x01;
  return copy;
}

DialogParam custom_dialog() {
  DialogParam dialog{};
  dialog.window_x = 10;
  dialog.window_y = -499;
  dialog.window_width = 900;
  dialog.window_height = 500;
  dialog.refresh_interval = 250;
  dialog.autoscroll = 0;
  dialog.reserved[0] = 0x42;
  dialog.reserved[2] = 0x24;
  return dialog;
}

struct Values {
  std::string list = encode_list(custom_list());
  std::string copy = encode_copy(custom_copy());
  std::string dialog = encode_dialog(custom_dialog());
};

std::string ini_text(const Values& values) {
  return "[Options]\n"
         "list_param=" +
         values.list + "\ncopy_param=" + values.copy + "\ndialog_param=" + values.dialog + "\n";
}

struct Loaded {
  ListParam list;
  CopyParam copy;
  DialogParam dialog;
};

Loaded load(const std::string& path) {
  Loaded loaded;
  std::memset(&loaded, 0x99, sizeof loaded);
  load_settings(path.c_str(), &loaded.list, &loaded.copy, &loaded.dialog);
  return loaded;
}

std::string stored_value(const std::string& path, const char* key) {
  char text[1024] = "";
  if (!platform::read_profile_value(path.c_str(), "Options", key, text, sizeof text)) return "";
  return text;
}

std::string exe_dir() {
  char dir[kConfigPathCapacity] = "";
  exe_dir_path(dir, nullptr);
  return dir;
}

void expect_default_list(const ListParam& list) {
  const int32_t widths[kColumnCount] = {20, 170, 80, 100, 80, 90, 500};
  for (int i = 0; i < kColumnCount; ++i) EXPECT_EQ(list.column_width[i], widths[i]) << i;
  for (int i = 0; i < kCustomColorCount; ++i) EXPECT_EQ(list.custom_colors[i], 0x00FFFFFFu) << i;
  EXPECT_EQ(list.text_color, 0x00000000u);
  EXPECT_EQ(list.back_color, 0x00FFFFFFu);
  const ColorRef text[4] = {0x005A5A5A, 0x00141414, 0x000000FF, 0x00FF0000};
  const ColorRef back[4] = {0x00FFFFFF, 0x001EFF1E, 0x00FFFFFF, 0x00FFFFFF};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list.state_text_color[i], text[i]) << i;
    EXPECT_EQ(list.state_back_color[i], back[i]) << i;
  }
}

void expect_default_copy(const CopyParam& copy) {
  EXPECT_EQ(std::string(copy.dest_folder), exe_dir());
  EXPECT_EQ(copy.buffer_size, 131072);
  EXPECT_EQ(copy.retry_timeout, 5000);
  EXPECT_EQ(copy.max_attempts, 5);
  EXPECT_EQ(copy.resume, 1);
}

void expect_default_dialog(const DialogParam& dialog) {
  EXPECT_EQ(dialog.window_x, -1000);
  EXPECT_EQ(dialog.window_y, -1000);
  EXPECT_EQ(dialog.window_width, 0);
  EXPECT_EQ(dialog.window_height, 0);
  EXPECT_EQ(dialog.refresh_interval, 1000);
  EXPECT_EQ(dialog.autoscroll, 1);
}

}  // namespace

TEST(ConfigFileTest, ExeDirPathIsTheExecutablesFolderWithSeparator) {
  char full[kConfigPathCapacity];
  ASSERT_TRUE(platform::executable_path(full, sizeof full));
  std::string dir = exe_dir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(std::string(full).rfind(dir, 0), 0u) << full;
  EXPECT_EQ(std::string(full).find('/', dir.size()), std::string::npos) << "only the name is cut";

  char config[kConfigPathCapacity] = "";
  exe_dir_path(config, "tvoln.ini");
  EXPECT_EQ(std::string(config), dir + "tvoln.ini");

  // A result that would not fit leaves the buffer as it was.
  std::string long_name(kConfigPathCapacity, 'n');
  std::strcpy(config, "unchanged");
  exe_dir_path(config, long_name.c_str());
  EXPECT_STREQ(config, "unchanged");
}

TEST(ConfigFileTest, FirstRunTakesDefaultsAndSaveCreatesTheFile) {
  TempDir dir;
  std::string path = dir.path("tvoln.ini");
  Loaded loaded = load(path);
  expect_default_list(loaded.list);
  expect_default_copy(loaded.copy);
  expect_default_dialog(loaded.dialog);
  EXPECT_EQ(loaded.dialog.list_ref, &loaded.list);
  EXPECT_EQ(loaded.dialog.copy_ref, &loaded.copy);
  EXPECT_FALSE(dir.exists("tvoln.ini")) << "loading never writes";

  save_settings(path.c_str(), loaded.list, loaded.copy, loaded.dialog);
  std::string text = dir.read("tvoln.ini");
  EXPECT_EQ(text.rfind("[Options]", 0), 0u) << text;
  EXPECT_EQ(stored_value(path, "list_param").size(), 298u);
  EXPECT_EQ(stored_value(path, "copy_param").size(), 554u);
  EXPECT_EQ(stored_value(path, "dialog_param"),
            "000000000000000018FCFFFF18FCFFFF0000000000000000E80300000100000010");
  // The same settings always give the same file: no addresses in it.
  Loaded again = load(path);
  save_settings(path.c_str(), again.list, again.copy, again.dialog);
  EXPECT_EQ(dir.read("tvoln.ini"), text);
}

TEST(ConfigFileTest, RecordsRoundTripByteForByte) {
  TempDir dir;
  std::string path = dir.path("tvoln.ini");
  Values values;
  dir.write("tvoln.ini", "[Other]\nkeep=me\n\n" + ini_text(values) + "extra=1\n");

  Loaded loaded = load(path);
  EXPECT_EQ(loaded.list.state_text_color[5], 0x00AA0005u);
  EXPECT_EQ(loaded.copy.dest_folder[20], 'x');
  EXPECT_EQ(loaded.dialog.reserved[2], 0x24);
  EXPECT_EQ(loaded.dialog.list_ref, &loaded.list);
  EXPECT_EQ(loaded.dialog.copy_ref, &loaded.copy);

  save_settings(path.c_str(), loaded.list, loaded.copy, loaded.dialog);
  EXPECT_EQ(stored_value(path, "list_param"), values.list);
  EXPECT_EQ(stored_value(path, "copy_param"), values.copy);
  EXPECT_EQ(stored_value(path, "dialog_param"), values.dialog);
  EXPECT_EQ(stored_value(path, "extra"), "1");
  char other[16] = "";
  ASSERT_TRUE(platform::read_profile_value(path.c_str(), "Other", "keep", other, sizeof other));
  EXPECT_STREQ(other, "me");
}

TEST(ConfigFileTest, IconColumnWidthAlwaysLoadsAsTwenty) {
  TempDir dir;
  ListParam list = custom_list();
  list.column_width[0] = 55;
  Values values;
  values.list = encode_list(list);
  dir.write("tvoln.ini", ini_text(values));
  Loaded loaded = load(dir.path("tvoln.ini"));
  EXPECT_EQ(loaded.list.column_width[0], 20);
  EXPECT_EQ(loaded.list.column_width[1], 11) << "the rest is used as stored";
  EXPECT_EQ(loaded.list.text_color, 0x00123456u);
}

TEST(ConfigFileTest, AnUnreadableKeyDefaultsThatRecordOnly) {
  struct Damage {
    const char* name;
    std::string (*apply)(const std::string& value);
  };
  const Damage damages[] = {
      {"one digit short", [](const std::string& v) { return v.substr(0, v.size() - 1); }},
      {"wrong checksum",
       [](const std::string& v) {
         std::string damaged = v;
         damaged[v.size() - 1] = v[v.size() - 1] == '0' ? '1' : '0';
         return damaged;
       }},
      {"non-hex digit",
       [](const std::string& v) {
         std::string damaged = v;
         damaged[4] = 'G';
         return damaged;
       }},
      // A valid value with more digits behind it: a reader that cut the value to
      // the expected length would take it.
      {"overlong", [](const std::string& v) { return v + "00"; }},
      {"empty", [](const std::string&) { return std::string(); }},
  };
  TempDir dir;
  std::string path = dir.path("tvoln.ini");
  for (const Damage& damage : damages) {
    for (int broken = 0; broken < 4; ++broken) {  // 3: the key is missing
      SCOPED_TRACE(std::string(damage.name) + ", key " + std::to_string(broken));
      Values values;
      std::string* keys[3] = {&values.list, &values.copy, &values.dialog};
      std::string text;
      if (broken < 3) {
        *keys[broken] = damage.apply(*keys[broken]);
        text = ini_text(values);
      } else {
        text = "[Options]\ncopy_param=" + values.copy + "\ndialog_param=" + values.dialog + "\n";
      }
      dir.write("tvoln.ini", text);
      Loaded loaded = load(path);

      if (broken == 0 || broken == 3) {
        expect_default_list(loaded.list);
      } else {
        EXPECT_EQ(loaded.list.column_width[6], 66);
        EXPECT_EQ(loaded.list.state_back_color[4], 0x0000BB04u);
      }
      if (broken == 1) {
        expect_default_copy(loaded.copy);
      } else {
        EXPECT_STREQ(loaded.copy.dest_folder, "D:\\Downloads");
        EXPECT_EQ(loaded.copy.max_attempts, 17);
      }
      if (broken == 2) {
        expect_default_dialog(loaded.dialog);
      } else {
        EXPECT_EQ(loaded.dialog.window_width, 900);
        EXPECT_EQ(loaded.dialog.refresh_interval, 250);
      }
      EXPECT_EQ(loaded.dialog.list_ref, &loaded.list);
      EXPECT_EQ(loaded.dialog.copy_ref, &loaded.copy);
    }
  }
}

TEST(ConfigFileTest, LowerCaseDigitsAndSurroundingSpacesAreRead) {
  TempDir dir;
  Values values;
  std::string lower = values.copy;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  dir.write("tvoln.ini",
            "[Options]\ncopy_param=" + lower + "\ndialog_param=  " + values.dialog + "  \n");
  Loaded loaded = load(dir.path("tvoln.ini"));
  EXPECT_STREQ(loaded.copy.dest_folder, "D:\\Downloads");
  EXPECT_EQ(loaded.dialog.window_width, 900);
}

TEST(ConfigFileTest, OutOfRangeFieldsFallBackToTheirDefaultsAlone) {
  struct Case {
    int32_t buffer_size, retry_timeout, max_attempts, refresh_interval;
    int32_t want_buffer, want_retry, want_attempts, want_refresh;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 131072, 5000, 5, 1000},
      {-1, -5000, -1, -1, 131072, 5000, 5, 1000},
      {1048577, 10001, 1001, 5001, 131072, 5000, 5, 1000},
      {1, 1, 1, 1, 1, 1, 1, 1},  // the bounds themselves are valid
      {1048576, 10000, 1000, 5000, 1048576, 10000, 1000, 5000},
      {0, 300, 7, 6000, 131072, 300, 7, 1000},  // only the bad fields change
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.buffer_size) + " " + std::to_string(c.retry_timeout) + " " +
                 std::to_string(c.max_attempts) + " " + std::to_string(c.refresh_interval));
    CopyParam copy = custom_copy();
    copy.buffer_size = c.buffer_size;
    copy.retry_timeout = c.retry_timeout;
    copy.max_attempts = c.max_attempts;
    DialogParam dialog = custom_dialog();
    dialog.refresh_interval = c.refresh_interval;
    Values values;
    values.copy = encode_copy(copy);
    values.dialog = encode_dialog(dialog);
    dir.write("tvoln.ini", ini_text(values));

    Loaded loaded = load(dir.path("tvoln.ini"));
    EXPECT_EQ(loaded.copy.buffer_size, c.want_buffer);
    EXPECT_EQ(loaded.copy.retry_timeout, c.want_retry);
    EXPECT_EQ(loaded.copy.max_attempts, c.want_attempts);
    EXPECT_EQ(loaded.dialog.refresh_interval, c.want_refresh);
    // Every other byte stays as stored.
    copy.buffer_size = loaded.copy.buffer_size;
    copy.retry_timeout = loaded.copy.retry_timeout;
    copy.max_attempts = loaded.copy.max_attempts;
    EXPECT_EQ(std::memcmp(&loaded.copy, &copy, sizeof copy), 0);
    EXPECT_EQ(loaded.dialog.window_x, 10);
    EXPECT_EQ(loaded.dialog.window_y, -499);
    EXPECT_EQ(loaded.dialog.autoscroll, 0);
    EXPECT_EQ(loaded.dialog.reserved[0], 0x42);
  }
}

namespace {

// A destination folder that an earlier version stored in Windows-1251, the
// code page its texts were in, is the same folder in UTF-8, which the
// program's texts are here; one already in UTF-8 stays as it is.
TEST(ConfigFileTest, AFolderStoredInCodePage1251IsReadAsTheSameFolder) {
  TempDir dir;
  const struct {
    const char* stored;
    const char* read;
  } folders[] = {
      {"D:\\\xCA\xEE\xEF\xE8\xE8 \xB8\xE6\xE0", "D:\\Копии ёжа"},  // code page 1251
      {"D:\\Копии ёжа", "D:\\Копии ёжа"},
  };
  for (const auto& folder : folders) {
    CopyParam copy = custom_copy();
    std::memset(copy.dest_folder, 0, sizeof copy.dest_folder);
    std::strcpy(copy.dest_folder, folder.stored);
    Values values;
    values.copy = encode_copy(copy);
    dir.write("tvoln.ini", ini_text(values));
    EXPECT_STREQ(load(dir.path("tvoln.ini")).copy.dest_folder, folder.read);
  }
}

}  // namespace
