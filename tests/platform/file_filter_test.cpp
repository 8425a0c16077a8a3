#include "platform/file_filter.h"

#include <gtest/gtest.h>

namespace tavrinole {
namespace {

const WCHAR OpenFilter[] = WTEXT("All\0*.*\0Text   *.txt;*.doc\0*.TXT;*.DOC\0")
    WTEXT("Picture   *.bmp;*.jpg;*gif\0*.BMP;*JPG;*.GIF\0Music   *.mp3;*.wmp\0*.MP3;*.WMP\0");

TEST(ParseFilter, SplitsPairsAndPatternsInOrder) {
  std::vector<FilterPair> pairs = ParseFilter(OpenFilter);
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_EQ(pairs[0], (FilterPair{WTEXT("All"), {WTEXT("*.*")}}));
  EXPECT_EQ(pairs[1], (FilterPair{WTEXT("Text   *.txt;*.doc"), {WTEXT("*.TXT"), WTEXT("*.DOC")}}));
  EXPECT_EQ(pairs[2].display, WTEXT("Picture   *.bmp;*.jpg;*gif"));
  EXPECT_EQ(pairs[2].patterns,
            (std::vector<WString>{WTEXT("*.BMP"), WTEXT("*JPG"), WTEXT("*.GIF")}));
  EXPECT_EQ(pairs[3].patterns, (std::vector<WString>{WTEXT("*.MP3"), WTEXT("*.WMP")}));
}

TEST(ParseFilter, NullAndDanglingTextGiveNoPair) {
  EXPECT_TRUE(ParseFilter(nullptr).empty());
  EXPECT_TRUE(ParseFilter(WTEXT("\0")).empty());
  EXPECT_EQ(ParseFilter(WTEXT("All\0*.*\0Lonely\0")).size(), 1u);
}

TEST(MatchesPattern, StarDotStarMatchesEveryName) {
  EXPECT_TRUE(MatchesPattern(WTEXT("README"), WTEXT("*.*")));
  EXPECT_TRUE(MatchesPattern(WTEXT("report.pdf"), WTEXT("*.*")));
  EXPECT_TRUE(MatchesPattern(WTEXT(""), WTEXT("*.*")));
}

TEST(MatchesPattern, LettersMatchWithoutRegardToCase) {
  EXPECT_TRUE(MatchesPattern(WTEXT("notes.txt"), WTEXT("*.TXT")));
  EXPECT_TRUE(MatchesPattern(WTEXT("NOTES.Txt"), WTEXT("*.txt")));
  EXPECT_TRUE(MatchesPattern(WTEXT("\u00C9t\u00C9.txt"), WTEXT("\u00E9t\u00E9.TXT")));
  EXPECT_FALSE(MatchesPattern(WTEXT("notes.txt2"), WTEXT("*.TXT")));
  EXPECT_FALSE(MatchesPattern(WTEXT("a.gift"), WTEXT("*.GIF")));
}

TEST(MatchesPattern, StarWithoutDotMatchesTheEnding) {
  EXPECT_TRUE(MatchesPattern(WTEXT("photo.jpg"), WTEXT("*JPG")));
  EXPECT_TRUE(MatchesPattern(WTEXT("photojpg"), WTEXT("*JPG")));
  EXPECT_FALSE(MatchesPattern(WTEXT("photo.jpeg"), WTEXT("*JPG")));
}

TEST(MatchesPattern, QuestionMarkIsOneUnit) {
  EXPECT_TRUE(MatchesPattern(WTEXT("a1.txt"), WTEXT("a?.txt")));
  EXPECT_FALSE(MatchesPattern(WTEXT("a.txt"), WTEXT("a?.txt")));
  EXPECT_TRUE(MatchesPattern(WTEXT("aaaaaaaaab"), WTEXT("*a*a*b")));
}

TEST(MatchesFilter, AnyPatternOfThePairMatches) {
  std::vector<FilterPair> pairs = ParseFilter(OpenFilter);
  EXPECT_TRUE(MatchesFilter(WTEXT("letter.doc"), pairs[1]));
  EXPECT_TRUE(MatchesFilter(WTEXT("letter.TXT"), pairs[1]));
  EXPECT_FALSE(MatchesFilter(WTEXT("song.mp3"), pairs[1]));
  EXPECT_TRUE(MatchesFilter(WTEXT("song.mp3"), pairs[0]));
}

}  // namespace
}  // namespace tavrinole
