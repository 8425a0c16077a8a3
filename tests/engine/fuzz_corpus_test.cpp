// The fuzz target's seed corpus, replayed through both engines in the normal build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/engines_agree.h"

namespace tavrinole {
namespace {

TEST(FuzzCorpus, BothEnginesAgreeOnEverySeed) {
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TAVRINOLE_FUZZ_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> input{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    EXPECT_EQ(EnginesDisagree(input), "") << entry.path().filename();
    ++seeds;
  }
  EXPECT_GE(seeds, 5);
}

}  // namespace
}  // namespace tavrinole
