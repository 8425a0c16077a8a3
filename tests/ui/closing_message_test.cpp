// The closing message written out whole, as the job's documents give it: five lines
// split by a lone line feed, with their tabs and blanks.
#include <gtest/gtest.h>

#include <string>

#include "resources/texts.h"

namespace tavrinole {
namespace {

TEST(ClosingMessage, ReadsWordForWord) {
  // clang-format off
  const std::u16string expected =
      u"\t\tThis is Tavrinole-Ochrel \n"
      u" It is important that you use the same Tavrinole  \"colour\" for encoding and decoding the same document, otherwise you actually encode the document one more time.Please save the original of the document on a safe place.\n"
      u" \tSupport future development - visit www.tavrinole.example\n"
      u" \t\tThank you for using Tavrinole.\n"
      u"\t\t    Program will exit";
  // clang-format on
  EXPECT_EQ(std::u16string(resources::Closing), expected);
  EXPECT_EQ(std::u16string(resources::ClosingCaption), u" Closing......");
}

}  // namespace
}  // namespace tavrinole
