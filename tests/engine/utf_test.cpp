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

}  // namespace
}  // namespace tavrinole

#include "engine/output_name.h"

namespace tavrinole {
namespace {

TEST(OutputName, FollowsTheLastDotAnywhereInThePath) {
  struct Row {
    std::u16string input, chosen, written;
  };
  const Row rows[] = {
      {u"C:\\docs\\report.pdf", u"D:\\safe\\copy", u"D:\\safe\\copy.pdf"},
      {u"C:\\docs\\report.pdf", u"D:\\safe\\copy.pdf", u"D:\\safe\\copy.pdf.pdf"},
      {u"C:\\docs\\archive.tar.gz", u"D:\\safe\\a", u"D:\\safe\\a.gz"},
      {u"C:\\docs\\README", u"D:\\safe\\copy", u"D:\\safe\\copy(2)"},
      {u"C:\\mail.box\\README", u"D:\\safe\\copy", u"D:\\safe\\copy.box\\README"},
      {u"/home/me/notes.", u"/tmp/x", u"/tmp/x."},
  };
  for (const Row& row : rows) EXPECT_EQ(DeriveOutputName(row.input, row.chosen), row.written);
}

}  // namespace
}  // namespace tavrinole
