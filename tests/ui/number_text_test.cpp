// The conversion of typed numbers shared by the settings and file parameters dialogs.
#include "ui/dialogs/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(NumberTextTest, ConvertsLikeStrtolClampedToThirtyTwoBits) {
  EXPECT_EQ(text_to_int32("250"), 250);
  EXPECT_EQ(text_to_int32(" \t-7x"), -7);
  EXPECT_EQ(text_to_int32("+12abc"), 12);
  EXPECT_EQ(text_to_int32("250\xEC\xF1"), 250);  // "250мс" in code page 1251
  EXPECT_EQ(text_to_int32("2147483647"), INT32_MAX);
  EXPECT_EQ(text_to_int32("2147483648"), INT32_MAX);
  EXPECT_EQ(text_to_int32("99999999999999999999999"), INT32_MAX);
  EXPECT_EQ(text_to_int32("-2147483648"), INT32_MIN);
  EXPECT_EQ(text_to_int32("-2147483649"), INT32_MIN);
  EXPECT_EQ(text_to_int32("-0"), 0);
  // No digits where they are expected: zero.
  EXPECT_EQ(text_to_int32(""), 0);
  EXPECT_EQ(text_to_int32("abc"), 0);
  EXPECT_EQ(text_to_int32("+-5"), 0);
  EXPECT_EQ(text_to_int32("- 5"), 0);
  EXPECT_EQ(text_to_int32("\xA0"
                          "5"),
            0);  // a no-break space is not white space
}

}  // namespace
