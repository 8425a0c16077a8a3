// The closing message written out whole, as the job's documents give it: five lines
// split by a lone line feed, with their tabs and blanks.
#include <gtest/gtest.h>

#include "engine/job.h"

namespace tavrinole {
namespace {

TEST(ClosingMessage, ReadsWordForWord) {
  // clang-format off
  const WString expected =
      WTEXT("\t\tThis is Tavrinole-Ochrel \n")
      WTEXT(" It is important that you use the same Tavrinole  \"colour\" for encoding and decoding the same document, otherwise you actually encode the document one more time.Please save the original of the document on a safe place.\n")
      WTEXT(" \tSupport future development - visit www.tavrinole.example\n")
      WTEXT(" \t\tThank you for using Tavrinole.\n")
      WTEXT("\t\t    Program will exit");
  // clang-format on
  EXPECT_EQ(WString(job_text::Closing), expected);
  EXPECT_EQ(WString(job_text::ClosingCaption), WTEXT(" Closing......"));
}

}  // namespace
}  // namespace tavrinole
