#include "engine/utf.h"

#include <gtest/gtest.h>

namespace tavrinole {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::u16string text = u"a\u00A3\u201C\u20AC\U0001F600z";
  const std::optional<std::string> utf8 = Utf16ToUtf8(text);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, "a\xC2\xA3\xE2\x80\x9C\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToUtf16(*utf8), text);
}

TEST(Utf, MalformedTextIsRefusedNotAltered) {
  const std::u16string loneHigh{char16_t{0xD800}};
  const std::u16string loneLow{u'x', char16_t{0xDC00}};
  EXPECT_FALSE(Utf16ToUtf8(loneHigh));
  EXPECT_FALSE(Utf16ToUtf8(loneLow));
  EXPECT_EQ(Utf16ToUtf8Lossy(loneLow), "x\xEF\xBF\xBD");
  for (const char* bad :
       {"\xFF", "\xC2", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(Utf8ToUtf16(bad)) << bad;
  }
}

// Names on Linux are bytes: every byte string survives the trip through UTF-16, and
// text that is UTF-8 stays ordinary UTF-16.
TEST(Utf, EveryNameSurvivesTheTripThroughUtf16) {
  std::string everyByte;
  for (int byte = 1; byte < 256; ++byte) everyByte += static_cast<char>(byte);
  for (const std::string& name :
       {std::string("caf\xE9"), std::string("\xE9t\xE9.tvr"), std::string("\xC3(\xFF\xC2"),
        std::string("\xED\xA0\x80 surrogate in UTF-8"), everyByte}) {
    const std::u16string wide = NameToUtf16(name);
    EXPECT_EQ(NameFromUtf16(wide), name);
  }
  EXPECT_EQ(NameToUtf16("caf\xE9"), (std::u16string{u'c', u'a', u'f', char16_t{0xDCE9}}));
  EXPECT_EQ(NameToUtf16("\xE2\x82\xAC"), u"\u20AC");
  // A lone surrogate no byte makes has no name.
  EXPECT_FALSE(NameFromUtf16(std::u16string{char16_t{0xDC7F}}));
  EXPECT_FALSE(NameFromUtf16(std::u16string{char16_t{0xD800}}));
}

}  // namespace
}  // namespace tavrinole
