// Text services: string-table texts, sizes in human units, exact-size formatting.
#include "app/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "res/string_ids.h"
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator knows the exact size each block was asked for.
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* block);
#define TV_HAVE_ALLOCATED_SIZE 1
#endif

namespace {

// An id the string table does not have.
constexpr unsigned kNoSuchString = 499;

std::string size_text(int64_t value) {
  char out[kSizeTextCapacity];
  std::memset(out, '#', sizeof out);
  format_size(value, out);
  return out;
}

std::string formatted(char* text) {
  std::string result = text != nullptr ? text : "(null)";
  std::free(text);
  return result;
}

}  // namespace

TEST(TextFormatTest, SizesInHumanUnits) {
  EXPECT_EQ(size_text(0), "0.0 байт");
  EXPECT_EQ(size_text(1023), "1023.0 байт");
  EXPECT_EQ(size_text(1024), "1.0 Кб");
  EXPECT_EQ(size_text(1536), "1.5 Кб");
  EXPECT_EQ(size_text(1048575), "1024.0 Кб");  // below 2^20 stays in Кб
  EXPECT_EQ(size_text(1048576), "1.0 Мб");
  EXPECT_EQ(size_text(int64_t{1} << 30), "1.0 Гб");
  EXPECT_EQ(size_text(int64_t{1} << 40), "1024.0 Гб");  // no unit above Гб
  EXPECT_EQ(size_text(-5), "-5.0 байт");
  // The longest text there is must fit the buffer (UTF-8 here: 31 bytes).
  EXPECT_EQ(size_text(std::numeric_limits<int64_t>::min()), "-9223372036854775808.0 байт");
}

TEST(TextFormatTest, ScaleSizePicksTheUnitByThreshold) {
  struct Case {
    int64_t value;
    double scaled;
    int unit;
  };
  const Case cases[] = {
      {-1, -1.0, 0},
      {1023, 1023.0, 0},
      {1024, 1.0, 1},
      {(int64_t{1} << 20) - 1, 1023.9990234375, 1},
      {3 << 20, 3.0, 2},
      {(int64_t{1} << 30) - 1, 1023.9999990463257, 2},
      {int64_t{5} << 30, 5.0, 3},
      {std::numeric_limits<int64_t>::max(), 8589934592.0, 3},
  };
  for (const Case& c : cases) {
    double scaled = 0;
    int unit = -1;
    scale_size(c.value, &scaled, &unit);
    EXPECT_EQ(unit, c.unit) << c.value;
    EXPECT_DOUBLE_EQ(scaled, c.scaled) << c.value;
  }
}

TEST(TextFormatTest, AllocFormatGivesAnExactBuffer) {
  char* text = alloc_format("%d", 250);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "250");
#ifdef TV_HAVE_ALLOCATED_SIZE
  EXPECT_EQ(__sanitizer_get_allocated_size(text), 4u);
#endif
  std::free(text);

  text = alloc_format("");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "");
#ifdef TV_HAVE_ALLOCATED_SIZE
  EXPECT_EQ(__sanitizer_get_allocated_size(text), 1u);
#endif
  std::free(text);

  // Longer than any fixed scratch buffer an implementation might use.
  std::string long_text(5000, 'z');
  EXPECT_EQ(formatted(alloc_format("<%s>", long_text.c_str())), "<" + long_text + ">");
}

TEST(TextFormatTest, AllocFormatTakesTheStringTablesDirectives) {
  const int64_t big = int64_t{1} << 40;
  EXPECT_EQ(formatted(alloc_format("%I64d", big)), "1099511627776");
  EXPECT_EQ(formatted(alloc_format("%I64d", std::numeric_limits<int64_t>::min())),
            "-9223372036854775808");
  EXPECT_EQ(formatted(alloc_format("(%I64d%%) - %s - Tarvolin", int64_t{42}, "file")),
            "(42%) - file - Tarvolin");
  EXPECT_EQ(formatted(alloc_format("%s из %s (%I64d%%)", "1.0 Кб", "2.0 Кб", int64_t{50})),
            "1.0 Кб из 2.0 Кб (50%)");
  EXPECT_EQ(formatted(alloc_format("[%.2d:%.2d:%.2d]", 7, 5, 13)), "[07:05:13]");
  // "%%I64d" is a percent sign and the letters, not a directive.
  EXPECT_EQ(formatted(alloc_format("%%I64d %d", 3)), "%I64d 3");
  EXPECT_EQ(formatted(alloc_format("%5I64d|%-4I64d|", int64_t{12}, int64_t{-3})), "   12|-3  |");
}

TEST(TextFormatTest, LoadTextCopiesWhatFits) {
  char text[kTextCapacity];
  EXPECT_EQ(load_text(text, IDS_CONFIG_FILE_NAME, kTextCapacity), 9);
  EXPECT_STREQ(text, "tvoln.ini");
  EXPECT_EQ(load_text(text, IDS_CONFIG_FILE_NAME, 4), 3);
  EXPECT_STREQ(text, "tvo");
  std::strcpy(text, "old");
  EXPECT_EQ(load_text(text, kNoSuchString, kTextCapacity), 0);
  EXPECT_STREQ(text, "");
  char state[64];
  EXPECT_GT(load_text(state, IDS_STATE_QUEUED, sizeof state), 0);
  EXPECT_STREQ(state, "В очереди");
}
