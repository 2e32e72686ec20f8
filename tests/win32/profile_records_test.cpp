// Profile records on Windows: our encoder against WritePrivateProfileStructA,
// and our strict decoder against what GetPrivateProfileStructA accepts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "platform/platform.h"
#include "platform/profile_codec.h"
#include "tests/unit/support/temp_dir.h"

namespace {

bool running_under_wine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string our_encoding(const std::vector<uint8_t>& bytes) {
  std::vector<char> text(2 * bytes.size() + 3);
  platform::encode_profile_record(bytes.data(), bytes.size(), text.data());
  return text.data();
}

std::string system_value(const std::string& path, const char* key) {
  char text[2048] = "";
  GetPrivateProfileStringA("Options", key, "", text, sizeof text, path.c_str());
  return text;
}

// Our reading path: the value as text, decoded strictly into `out`.
bool our_decode(const std::string& path, const char* key, std::vector<uint8_t>* out) {
  char text[2048];
  if (!platform::read_profile_value(path.c_str(), "Options", key, text, sizeof text)) return false;
  return platform::decode_profile_record(text, out->data(), out->size());
}

}  // namespace

TEST(ProfileRecordsTest, OurEncoderWritesWhatTheSystemWrites) {
  TempDir dir;
  std::string ours = dir.path("ours.ini");
  std::string system = dir.path("system.ini");

  std::vector<std::vector<uint8_t>> records;
  std::vector<uint8_t> every_byte(256);
  for (int i = 0; i < 256; ++i) every_byte[i] = static_cast<uint8_t>(i);
  records.push_back(every_byte);
  records.push_back(std::vector<uint8_t>(kDialogParamSize, 0));
  records.push_back({0xFF});
  std::vector<uint8_t> copy_image(kCopyParamSize);
  CopyParam copy{};
  std::strcpy(copy.dest_folder, "C:\\Tools\\");
  copy.buffer_size = 131072;
  copy.retry_timeout = 5000;
  copy.max_attempts = 5;
  copy.resume = 1;
  copy_param_to_bytes(copy, copy_image.data());
  records.push_back(copy_image);

  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    std::vector<uint8_t>& bytes = records[i];
    ASSERT_TRUE(WritePrivateProfileStructA("Options", "key", bytes.data(),
                                           static_cast<UINT>(bytes.size()), system.c_str()));
    EXPECT_EQ(system_value(system, "key"), our_encoding(bytes));
    // And the system reads back what our writer (the platform layer) stored.
    ASSERT_TRUE(
        platform::write_profile_record(ours.c_str(), "Options", "key", bytes.data(), bytes.size()));
    std::vector<uint8_t> read_back(bytes.size(), 0xAA);
    EXPECT_TRUE(GetPrivateProfileStructA("Options", "key", read_back.data(),
                                         static_cast<UINT>(read_back.size()), ours.c_str()));
    EXPECT_EQ(read_back, bytes);
  }
}

// What a stored value means to our decoder, next to what the system's own
// GetPrivateProfileStructA makes of it. We never use the system call for
// reading: under Wine it accepts a value longer than the record and, on a bad
// digit, fails only after writing the bytes decoded so far into the caller's
// record. Our decoder works on a scratch copy and is strict about the length.
TEST(ProfileRecordsTest, OurDecoderIsStrictWhereTheSystemCallIsNot) {
  TempDir dir;
  std::string path = dir.path("values.ini");
  const std::vector<uint8_t> record = {0x12, 0xAB, 0x00, 0x7F};  // sum 0x3C
  const std::string good = our_encoding(record);
  ASSERT_EQ(good, "12AB007F3C");

  struct Case {
    const char* key;
    std::string value;
    bool ours_accepts;
  };
  std::string bad_digit = good;
  bad_digit[4] = 'X';  // the third byte
  std::string bad_sum = good;
  bad_sum[9] = 'D';
  const Case cases[] = {
      {"exact", good, true},
      {"lower", "12ab007f3c", true},
      {"spaces", "   " + good + "  ", true},
      {"overlong", good + "00", false},
      {"short", good.substr(0, good.size() - 1), false},
      {"digit", bad_digit, false},
      {"sum", bad_sum, false},
  };
  std::string text = "[Options]\r\n";
  for (const Case& c : cases) text += std::string(c.key) + "=" + c.value + "\r\n";
  dir.write("values.ini", text);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    std::vector<uint8_t> ours(record.size(), 0xEE);
    EXPECT_EQ(our_decode(path, c.key, &ours), c.ours_accepts);
    if (c.ours_accepts) {
      EXPECT_EQ(ours, record);
    } else {
      EXPECT_EQ(ours, std::vector<uint8_t>(record.size(), 0xEE)) << "untouched on failure";
    }
  }

  // The system call's verdicts, as Wine gives them; on Windows they are only
  // reported, since only our decoder's verdicts matter to the program.
  std::vector<uint8_t> system(record.size(), 0xEE);
  BOOL overlong = GetPrivateProfileStructA("Options", "overlong", system.data(),
                                           static_cast<UINT>(system.size()), path.c_str());
  std::vector<uint8_t> partial(record.size(), 0xEE);
  BOOL digit = GetPrivateProfileStructA("Options", "digit", partial.data(),
                                        static_cast<UINT>(partial.size()), path.c_str());
  RecordProperty("system_accepts_overlong", overlong ? 1 : 0);
  RecordProperty("system_accepts_bad_digit", digit ? 1 : 0);
  if (running_under_wine()) {
    EXPECT_TRUE(overlong) << "Wine takes a value longer than the record";
    EXPECT_EQ(system, record);
    EXPECT_FALSE(digit);
    EXPECT_EQ(partial[0], 0x12) << "Wine writes the bytes before the bad digit";
    EXPECT_EQ(partial[1], 0xAB);
  }
}

TEST(ProfileRecordsTest, SettingsLoadThroughTheProfileFunctions) {
  TempDir dir;
  std::string path = dir.path("tvoln.ini");
  ListParam list{};
  CopyParam copy{};
  DialogParam dialog{};
  load_settings(path.c_str(), &list, &copy, &dialog);

  // The default destination is the executable's folder with a backslash.
  char exe[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, exe, sizeof exe), 0u);
  std::string folder = exe;
  folder.erase(folder.rfind('\\') + 1);
  EXPECT_EQ(std::string(copy.dest_folder), folder);
  EXPECT_EQ(folder[1], ':');

  copy.max_attempts = 9;
  dialog.window_x = 123;
  list.state_back_color[5] = 0x00ABCDEF;
  save_settings(path.c_str(), list, copy, dialog);
  EXPECT_EQ(system_value(path, "dialog_param").substr(0, 16), "0000000000000000")
      << "no addresses in the file";

  // An overlong value in the file: the system call would take it, we do not.
  std::string overlong = system_value(path, "copy_param") + "00";
  ASSERT_TRUE(WritePrivateProfileStringA("Options", "copy_param", overlong.c_str(), path.c_str()));
  ListParam list2{};
  CopyParam copy2{};
  DialogParam dialog2{};
  load_settings(path.c_str(), &list2, &copy2, &dialog2);
  EXPECT_EQ(copy2.max_attempts, 5) << "overlong copy_param must give the defaults";
  EXPECT_EQ(dialog2.window_x, 123);
  EXPECT_EQ(list2.state_back_color[5], 0x00ABCDEFu);
}
