#include "platform/utf16.h"

#include <gtest/gtest.h>

namespace tavrinole {
namespace {

TEST(Utf16, RoundTripsLatinAndSupplementaryText) {
  WString text = WTEXT("\u00A3 caf\u00E9 \U0001F600 \u2018TIGER\u2019");
  std::string utf8 = ToUtf8(text);
  EXPECT_EQ(utf8, "\xC2\xA3 caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x80\x98TIGER\xE2\x80\x99");
  EXPECT_EQ(FromUtf8(utf8), text);
}

TEST(Utf16, UnpairedSurrogatesBecomeReplacementCharacters) {
  WString lone{static_cast<WCHAR>(0xD800), WCHAR('a'), static_cast<WCHAR>(0xDC00)};
  EXPECT_EQ(ToUtf8(lone),
            "\xEF\xBF\xBD"
            "a"
            "\xEF\xBF\xBD");
}

TEST(Utf16, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            WTEXT("a\uFFFDb"));
  EXPECT_EQ(FromUtf8("\xC0\xAF"), WTEXT("\uFFFD\uFFFD"));            // overlong '/'
  EXPECT_EQ(FromUtf8("\xE2\x82"), WTEXT("\uFFFD\uFFFD"));            // cut short
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), WTEXT("\uFFFD\uFFFD\uFFFD"));  // a surrogate
}

}  // namespace
}  // namespace tavrinole
