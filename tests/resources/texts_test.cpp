#include "resources/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/key_table.h"
#include "resources/dialog_templates.h"

namespace tavrinole::resources {
namespace {

// Splits at every CR LF; a text ending in CR LF gives a last, empty piece.
std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (std::size_t at = text.find(u"\r\n"); at != text.npos; at = text.find(u"\r\n", start)) {
    lines.emplace_back(text.substr(start, at - start));
    start = at + 2;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

std::size_t LeadingBlanks(std::u16string_view line) {
  const std::size_t first = line.find_first_not_of(u' ');
  return first == line.npos ? line.size() : first;
}

// The text between the first U+2018 and the next U+2019, or "" when there is none.
std::u16string QuotedPassword(std::u16string_view line) {
  const std::size_t open = line.find(u'\u2018');
  const std::size_t close = line.find(u'\u2019', open);
  if (open == line.npos || close == line.npos) return u"";
  return std::u16string(line.substr(open + 1, close - open - 1));
}

bool AllCapitals(std::u16string_view word) {
  for (char16_t c : word) {
    if (c < u'A' || c > u'Z') return false;
  }
  return !word.empty();
}

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != text.npos;
}

class HelpTextLines : public ::testing::Test {
 protected:
  // Line n of the text at Line(n), as the document counts them.
  const std::u16string& Line(int n) const { return lines_.at(static_cast<std::size_t>(n - 1)); }
  std::vector<std::u16string> lines_ = SplitLines(HelpText);
};

TEST(BoxTexts, LineBreaksAreAlwaysCrLf) {
  for (std::u16string_view text : {HelpText, AboutText}) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r') {
        EXPECT_EQ(text.substr(i, 2), u"\r\n") << "lone CR at " << i;
      }
      if (text[i] == u'\n') {
        EXPECT_TRUE(i > 0 && text[i - 1] == u'\r') << "lone LF at " << i;
      }
    }
    EXPECT_EQ(text.find(u'\0'), text.npos);
  }
}

TEST(BoxTexts, HelpHas22LinesAndNoFinalBreak) {
  const auto lines = SplitLines(HelpText);
  EXPECT_EQ(lines.size(), 22u);
  EXPECT_NE(HelpText.substr(HelpText.size() - 2), u"\r\n");
  EXPECT_EQ(HelpText.data()[HelpText.size()], u'\0') << "terminated for C callers";
}

TEST(BoxTexts, AboutHas8LinesEndingInABreak) {
  const auto lines = SplitLines(AboutText);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines.back(), u"") << "the text ends with CR LF";
  EXPECT_EQ(AboutText.data()[AboutText.size()], u'\0');
}

TEST(BoxTexts, AboutLinesAreIndentedAsLaidOut) {
  const auto lines = SplitLines(AboutText);
  ASSERT_EQ(lines.size(), 9u);
  const std::size_t blanks[8] = {17, 22, 0, 14, 0, 14, 1, 2};
  for (std::size_t i = 0; i < 8; ++i)
    EXPECT_EQ(LeadingBlanks(lines[i]), blanks[i]) << "line " << i + 1;
  EXPECT_EQ(lines[0].substr(17), u"Tavrinole-Ochrel");
  EXPECT_EQ(lines[1].substr(22), u"(041114)");
  EXPECT_EQ(lines[2], u"");
  EXPECT_EQ(lines[3].substr(14), MakerWebAddress);
  EXPECT_EQ(lines[5].substr(14), MakerEmail);
  EXPECT_EQ(lines[6], u" ");
  EXPECT_EQ(lines[7].substr(2), MakerNotice);
}

TEST_F(HelpTextLines, QuotationInLine4OpensCurlyAndClosesStraight) {
  ASSERT_EQ(lines_.size(), 22u);
  const std::size_t open = Line(4).find(u'\u201C');
  ASSERT_NE(open, std::u16string::npos);
  EXPECT_EQ(Line(4).substr(open + 1, 25), u"pseudorandom One Time Pad");
  EXPECT_EQ(Line(4)[open + 26], u'"');
  EXPECT_FALSE(Contains(HelpText, u"\u201D")) << "no closing curly quotation mark anywhere";
}

TEST_F(HelpTextLines, EmptyRuleAndBlankEndedLinesAreWhereTheyBelong) {
  ASSERT_EQ(lines_.size(), 22u);
  for (int n : {2, 6, 10, 19}) EXPECT_EQ(Line(n), u"") << "line " << n;
  for (int n : {20, 22}) EXPECT_EQ(Line(n), std::u16string(57, u'=')) << "line " << n;
  for (int n = 1; n <= 22; ++n) {
    const bool endsWithBlank = !Line(n).empty() && Line(n).back() == u' ';
    EXPECT_EQ(endsWithBlank, n == 3 || n == 18) << "line " << n;
  }
  EXPECT_EQ(Line(1), u"This is Tavrinole-Ochrel (Unlimited)");
  EXPECT_EQ(Line(16), u"For decoding use reverse procedure:");
}

TEST_F(HelpTextLines, ExampleEncodesWithCorvelThenOchrelAndDecodesInReverse) {
  ASSERT_EQ(lines_.size(), 22u);
  const std::u16string first = QuotedPassword(Line(14));
  const std::u16string second = QuotedPassword(Line(15));
  EXPECT_EQ(first.size(), 5u);
  EXPECT_EQ(second.size(), 6u);
  EXPECT_TRUE(AllCapitals(first) && AllCapitals(second));
  EXPECT_EQ(QuotedPassword(Line(17)), second);
  EXPECT_EQ(QuotedPassword(Line(18)), first);

  EXPECT_TRUE(Contains(Line(14), u"Tavrinole-Corvel") && Contains(Line(14), u"encode"));
  EXPECT_TRUE(Contains(Line(15), u"Tavrinole-Ochrel") && Contains(Line(15), u"encode"));
  EXPECT_TRUE(Line(15).ends_with(u"You can go as far as you like, but twice should be fine."));
  EXPECT_TRUE(Contains(Line(17), u"Tavrinole-Ochrel") && Contains(Line(17), u"decode"));
  EXPECT_TRUE(Contains(Line(18), u"Tavrinole-Corvel") && Contains(Line(18), u"decode finally"));
}

// A reader must be able to type the example on our own keypad.
TEST_F(HelpTextLines, ExamplePasswordsCanBeTypedOnTheKeypad) {
  ASSERT_EQ(lines_.size(), 22u);
  for (int n : {14, 15}) {
    const std::u16string password = QuotedPassword(Line(n));
    ASSERT_FALSE(password.empty()) << "line " << n;
    for (char16_t c : password) EXPECT_TRUE(KeyByCharacter(c).has_value()) << "line " << n;
  }
}

TEST_F(HelpTextLines, SupportLineNamesTheMakersAddress) {
  ASSERT_EQ(lines_.size(), 22u);
  EXPECT_TRUE(Contains(Line(21), u"support"));
  EXPECT_TRUE(Line(21).ends_with(MakerWebAddress));
}

TEST(BoxTexts, MakersLabelInTheMainDialogShowsTheWebAddress) {
  const ControlTemplate* label = FindControl(*FindDialog(ids::MainDialog), ids::MakerLabel);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Text, MakerWebAddress);
}

}  // namespace
}  // namespace tavrinole::resources
