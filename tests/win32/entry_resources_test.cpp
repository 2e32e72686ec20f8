// The resources tarvolin.exe ships with, read from the built program, and the
// text services on Windows, where texts are code page 1251.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "app/text_format.h"
#include "app/win32/state_icons.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "tests/win32/built_program.h"

namespace {

// The program loaded as data, for its resources only.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(built_program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << built_program() << ": error " << GetLastError();
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // The bytes of a resource, or an empty string when it is missing.
  std::string resource(LPCSTR type, int id) {
    HRSRC found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
    if (found == nullptr) return "";
    HGLOBAL loaded = LoadResource(module_, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data != nullptr ? std::string(data, SizeofResource(module_, found)) : "";
  }

  // Pixel widths of the images of an icon group (GRPICONDIR: 6 bytes, then
  // 14 bytes per image, the width first; 0 stands for 256).
  std::string icon_sizes(int id) {
    std::string group = resource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, id);
    if (group.size() < 6) return "none";
    int count = static_cast<uint8_t>(group[4]) | static_cast<uint8_t>(group[5]) << 8;
    std::string sizes;
    for (int i = 0; i < count && 6 + 14 * i + 14 <= static_cast<int>(group.size()); ++i) {
      const char* entry = group.data() + 6 + 14 * i;
      int width = static_cast<uint8_t>(entry[0]);
      int bits = static_cast<uint8_t>(entry[6]) | static_cast<uint8_t>(entry[7]) << 8;
      if (!sizes.empty()) sizes += " ";
      sizes += std::to_string(width) + "x" + std::to_string(static_cast<uint8_t>(entry[1])) + "@" +
               std::to_string(bits);
    }
    return sizes;
  }

  HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(ProgramResources, IconsVersionAndManifest) {
  // The small-icon sizes at 100, 125, 150 and 200 %; the application icon also 48.
  EXPECT_EQ(icon_sizes(IDI_APP), "16x16@32 20x20@32 24x24@32 32x32@32 48x48@32");
  for (int id = IDI_STATE_FIRST; id < IDI_STATE_FIRST + 5; ++id) {
    EXPECT_EQ(icon_sizes(id), "16x16@32 20x20@32 24x24@32 32x32@32") << id;
  }
  EXPECT_EQ(icon_sizes(IDI_STATE_FIRST + 5), "none") << "the sixth state has no icon";

  // VS_FIXEDFILEINFO follows its signature 0xFEEF04BD and the structure version.
  std::string version = resource(MAKEINTRESOURCEA(16) /* RT_VERSION */, 1);
  const char signature[] = {'\xBD', '\x04', '\xEF', '\xFE'};
  size_t at = version.find(std::string(signature, 4));
  ASSERT_NE(at, std::string::npos);
  DWORD file_version[2];
  std::memcpy(file_version, version.data() + at + 8, sizeof file_version);
  EXPECT_EQ(file_version[0], 0x00010000u);  // 1.0
  EXPECT_EQ(file_version[1], 0x00000007u);  // .0.7

  std::string manifest = resource(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware>true</dpiAware>"), std::string::npos);
}

TEST_F(ProgramResources, StateIconsFillFiveSlotsAtSmallIconSize) {
  load_state_icons(module_);
  for (int i = 0; i < kStateSlotCount; ++i) {
    SCOPED_TRACE(i);
    if (i == 5) {
      EXPECT_EQ(state_icons[i], nullptr);
      continue;
    }
    ASSERT_NE(state_icons[i], nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(state_icons[i], &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  }
  destroy_state_icons();
  for (HICON icon : state_icons) EXPECT_EQ(icon, nullptr);
}

TEST(TextFormatWindowsTest, SizesAndFormatsInTheProgramsEncoding) {
  char size[kSizeTextCapacity];
  format_size(1536, size);
  EXPECT_STREQ(size, "1.5 \xCA\xE1");  // "Кб" in code page 1251
  format_size(std::numeric_limits<int64_t>::min(), size);
  EXPECT_STREQ(size, "-9223372036854775808.0 \xE1\xE0\xE9\xF2");  // "байт"

  char* text = alloc_format("(%I64d%%) - %s", int64_t{1} << 40, "a");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "(1099511627776%) - a");
  std::free(text);
}

TEST(TextFormatWindowsTest, StringTableTextsComeInCodePage1251) {
  // The string table is linked into this test program too; texts are
  // converted to the process's ANSI code page, which is 1251 in a Russian
  // locale (LC_ALL=ru_RU.UTF-8 under Wine).
  if (FindResourceA(nullptr, MAKEINTRESOURCEA(IDS_CONFIG_FILE_NAME / 16 + 1),
                    MAKEINTRESOURCEA(6) /* RT_STRING */) == nullptr) {
    GTEST_SKIP() << "this test program carries no string table";
  }
  char text[kTextCapacity];
  EXPECT_EQ(load_text(text, IDS_CONFIG_FILE_NAME, kTextCapacity), 9);
  EXPECT_STREQ(text, "tvoln.ini");
  EXPECT_EQ(load_text(text, 499, kTextCapacity), 0);  // an id the table does not have
  if (GetACP() != 1251) GTEST_SKIP() << "ANSI code page " << GetACP() << ", not 1251";
  char state[64];
  load_text(state, IDS_STATE_QUEUED, sizeof state);
  EXPECT_STREQ(state, "\xC2 \xEE\xF7\xE5\xF0\xE5\xE4\xE8");  // "В очереди"
  load_text(text, IDS_RETRY_TIMEOUT_LABEL, kTextCapacity);
  EXPECT_STREQ(text,
               "\xD2\xE0\xE9\xEC\xE0\xF3\xF2 \xEF\xEE\xE2\xF2\xEE\xF0\xE0:\r\n(\xEC\xF1\xE5\xEA.)");
}
