#include "engine/reference_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

#include "engine/password.h"

namespace tavrinole {
namespace {

using Bytes = std::vector<uint8_t>;

PasswordSlots Slots(std::initializer_list<int32_t> presses) {
  const std::vector<int32_t> keys(presses);
  return SlotsFromPresses(keys);
}

int32_t Key(char16_t caption) {
  return KeyByCharacter(caption)->KeyIndex;
}

Bytes Mixed(Bytes data, const PasswordSlots& slots) {
  ReferenceMixer mixer;
  MixBuffer(mixer, data, slots);
  return data;
}

// ---------------------------------------------------------------------------
// Worked examples: the bytes that documents of this edition were encoded with.

TEST(WorkedExamples, BasePatternAloneAndWithFiveAs) {
  EXPECT_EQ(Mixed(Bytes(4, 0x00), {}), (Bytes{0x42, 0x10, 0x84, 0x21}));
  EXPECT_EQ(Mixed(Bytes(5, 0x00), {}), (Bytes{0x92, 0x49, 0x24, 0x92, 0x49}));
  const int32_t a = Key(u'A');
  EXPECT_EQ(Mixed(Bytes(4, 0x00), Slots({a, a, a, a, a})), (Bytes{0x66, 0x41, 0x85, 0x25}));
}

// ---------------------------------------------------------------------------
// The block machine's primitives.

class BlockMachine : public ::testing::Test {
 protected:
  std::unique_ptr<ReferenceModel> m = std::make_unique<ReferenceModel>();
  int Toggled(int32_t from, int32_t to, int32_t value) const {
    return static_cast<int>(
        std::count(m->BitBlock.begin() + from, m->BitBlock.begin() + to, value));
  }
};

TEST_F(BlockMachine, ExpandAndPackAreInverseMostSignificantBitFirst) {
  for (int32_t byte : {0x00, 0xFF, 0xA5}) m->ExpandByte(byte);
  EXPECT_EQ(m->FillCount, 24);
  const int32_t a5[] = {'1', '0', '1', '0', '0', '1', '0', '1'};
  EXPECT_TRUE(std::equal(std::begin(a5), std::end(a5), m->BitBlock.begin() + 16));
  EXPECT_EQ(Toggled(0, 8, CellZero), 8);
  EXPECT_EQ(Toggled(8, 16, CellOne), 8);
  Bytes out(3);
  m->PackBlock(3, out);
  EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0xA5}));
  EXPECT_EQ(m->PackCount, 24);
}

TEST_F(BlockMachine, ExpandByteTakesTheLowEightBitsOnly) {
  m->ExpandByte(-1);  // what a read past the end would hand over
  EXPECT_EQ(Toggled(0, 8, CellOne), 8);
}

TEST_F(BlockMachine, PackBlockWithCountZeroWritesNothing) {
  m->ExpandByte(0xFF);
  Bytes packed(1);
  m->PackBlock(1, packed);
  Bytes sink{0x5A};
  m->PackBlock(0, sink);
  EXPECT_EQ(sink, Bytes{0x5A});
  EXPECT_EQ(m->PackCount, 0);
}

TEST_F(BlockMachine, FlipEveryWalksToTheEndOfTheBlock) {
  m->FlipEvery(0, 1);
  EXPECT_EQ(Toggled(0, BlockCells, CellOne), BlockCells);  // unfilled cells (0) become '1'
  m->FlipEvery(0, 1);
  EXPECT_EQ(Toggled(0, BlockCells, CellZero), BlockCells);

  m->FlipEvery(511999, 7);
  EXPECT_EQ(Toggled(0, BlockCells, CellOne), 1);
  EXPECT_EQ(m->BitBlock[511999], CellOne);
  m->FlipEvery(BlockCells, 1);
  m->FlipEvery(BlockCells + 5, 3);
  EXPECT_EQ(Toggled(0, BlockCells, CellOne), 1);
}

TEST(AdvanceRegister, ContinuesThePatternIntoTheNextBlock) {
  struct Row {
    int32_t step, before, after;
  };
  const Row rows[] = {{7, 0, 1},   {7, 3, 4},    {7, 6, 0}, {33, 4, 32}, {33, 5, 0},
                      {36, 0, 28}, {36, 30, 22}, {5, 2, 2}, {1, 0, 0}};
  for (const Row& row : rows) {
    int32_t reg = row.before;
    AdvanceRegister(reg, row.step);
    EXPECT_EQ(reg, row.after) << "step " << row.step << " from " << row.before;
  }
  // Equivalently: the first cell of the next block on the same continuous stream.
  for (int32_t step = 1; step <= 40; ++step) {
    for (int32_t r = 0; r < step; ++r) {
      int32_t reg = r;
      AdvanceRegister(reg, step);
      EXPECT_EQ(reg, ((r - BlockCells) % step + step) % step);
    }
  }
}

// ---------------------------------------------------------------------------
// Stale cells of a short last block are flipped but never written.

TEST(StaleCells, NeverReachTheOutput) {
  // Two files of 64001 bytes share their first block and differ in their last byte only;
  // the second block's cells 8.. hold the first block's flipped values, never written.
  Bytes first(64001, 0x11), second(64001, 0x11);
  std::iota(second.begin(), second.end() - 1, 0);
  const PasswordSlots slots = Slots({Key(u'B'), Key(u'7'), Key(u'x'), Key(u'B'), Key(u'%')});
  const Bytes mixedFirst = Mixed(first, slots), mixedSecond = Mixed(second, slots);
  EXPECT_EQ(mixedFirst.back(), mixedSecond.back());

  // A 100-byte file: the same output whatever the block machine held before.
  ReferenceMixer used;
  Bytes noise(BlockBytes);
  std::iota(noise.begin(), noise.end(), 7);
  used.Prepare(BlockBytes, {});
  used.MixBlock(noise);
  Bytes small(100, 0x3C);
  used.Prepare(100, slots);
  used.MixBlock(small);
  EXPECT_EQ(small, Mixed(Bytes(100, 0x3C), slots));
}

// ---------------------------------------------------------------------------
// Size profile and base pattern.

TEST(SizeProfile, RowEdges) {
  struct Row {
    int64_t size;
    SizeProfile profile;
  };
  const Row rows[] = {
      {4, {0, 0, 0}},          {15, {0, 0, 0}},         {16, {0, 1, 0}},
      {30, {0, 1, 0}},         {31, {2, 3, 2}},         {689, {1, 2, 1}},
      {690, {0, 2, 3}},        {64000, {1, 1, 2}},      {1000000, {0, 4, 4}},
      {1500000000, {1, 4, 4}}, {1500000001, {1, 3, 1}}, {2147483647, {1, 3, 1}},
      {2147483648, {0, 0, 0}}, {3000000000, {0, 0, 0}}, {4294967295, {0, 0, 0}},
  };
  for (const Row& row : rows) {
    const int32_t size = SignedSize(static_cast<uint32_t>(row.size));
    EXPECT_EQ(ProfileForSize(size), row.profile) << row.size;
    auto m = std::make_unique<ReferenceModel>();
    m->ChooseSizeProfile(size);
    EXPECT_EQ(m->Profile, row.profile) << row.size;
  }
}

TEST(BasePattern, BandsAtTheirBoundsAndTheSilentSizes) {
  struct Row {
    int64_t size;
    std::optional<FlipPattern> pattern;
  };
  const Row rows[] = {
      {14, std::nullopt},
      {28, std::nullopt},
      {280, std::nullopt},
      {512, {{0, 5}}},
      {498, {{3, 4}}},
      {380, {{1, 5}}},
      {366, {{2, 4}}},
      {1900800, {{5, 34}}},
      {1900786, {{0, 3}}},
      {1800900, {{28, 33}}},
      {491, {{0, 1}}},
      {505, {{1, 2}}},
      {279, {{1, 3}}},
      {293, {{0, 1}}},
      {1800189, {{0, 1}}},
      {1800203, {{1, 33}}},
      {4, {{1, 5}}},
      {5, {{0, 3}}},
      {64000, {{0, 3}}},
      {100, {{2, 4}}},
      {2147483648, std::nullopt},
      {3000000000, std::nullopt},
      {4294967295, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(BasePatternForSize(SignedSize(static_cast<uint32_t>(row.size))), row.pattern)
        << row.size;
  }
}

TEST(BasePattern, FlipsOnlyItsOwnCellsOverTheWholeBlock) {
  auto m = std::make_unique<ReferenceModel>();
  m->ApplyBasePattern(100);  // r = 2, below L: start 2, step 4
  for (int32_t i = 0; i < BlockCells; ++i) {
    ASSERT_EQ(m->BitBlock[i], i % 4 == 2 ? CellOne : 0) << i;
  }
  auto none = std::make_unique<ReferenceModel>();
  none->ApplyBasePattern(SignedSize(3000000000u));
  EXPECT_EQ(std::count(none->BitBlock.begin(), none->BitBlock.end(), 0), BlockCells);
}

// ---------------------------------------------------------------------------
// Registers across the blocks of a 1,000,000-byte file (A = 0, B = 4, C = 4).

class RegisterWalk : public ::testing::Test {
 protected:
  std::unique_ptr<ReferenceModel> m = std::make_unique<ReferenceModel>();
  void SetUp() override {
    m->ChooseSizeProfile(1000000);
    m->AdjustRegisters();
  }
  int32_t& Reg(char16_t key) { return m->OffsetRegister[Key(key) - 1][0]; }
  // One block with only `key` typed once; returns the cells it toggled.
  std::vector<int32_t> Block(char16_t key) {
    std::fill(m->BitBlock.begin(), m->BitBlock.end(), CellZero);
    m->MixSlot(1, Slots({Key(key)}));
    std::vector<int32_t> toggled;
    for (int32_t i = 0; i < BlockCells; ++i) {
      if (m->BitBlock[i] == CellOne) toggled.push_back(i);
    }
    return toggled;
  }
};

TEST_F(RegisterWalk, B) {
  ASSERT_EQ(m->Profile, (SizeProfile{0, 4, 4}));
  EXPECT_EQ(Reg(u'B'), 1);
  const auto first = Block(u'B');
  EXPECT_EQ(first.front(), 1);
  EXPECT_EQ(first[1], 7);
  EXPECT_EQ(first.back(), 511999);
  EXPECT_EQ(Reg(u'B'), 5);
  EXPECT_EQ(Block(u'B').front(), 5);  // file bit 512005, six after 511999
}

TEST_F(RegisterWalk, XCAndQ) {
  EXPECT_EQ(Reg(u'X'), 0);
  EXPECT_EQ(Block(u'X').back(), 511992);
  EXPECT_EQ(Reg(u'X'), 5);

  EXPECT_EQ(Reg(u'C'), 6);
  EXPECT_EQ(Block(u'C').front(), 6);
  EXPECT_EQ(Reg(u'C'), 1);

  EXPECT_EQ(Reg(u'Q'), 4);
  for (int block = 0; block < 16; ++block) {
    EXPECT_EQ(Block(u'Q').front(), 4);
    EXPECT_EQ(Reg(u'Q'), 4);
  }
}

// Over the whole file, entry (k, n) flips exactly the bits p with p mod step = start.
TEST(RegisterWalkOverAFile, EachPatternIsOneContinuousStream) {
  const uint32_t size = 3 * BlockBytes + 1234;
  const SizeProfile profile = ProfileForSize(static_cast<int32_t>(size));
  for (char16_t key : {u'B', u'X', u'C', u'Q', u'£'}) {
    const int32_t k = Key(key);
    Bytes zeros(size, 0), withKey(size, 0);
    MixBuffer(*std::make_unique<ReferenceMixer>(), zeros, {});
    MixBuffer(*std::make_unique<ReferenceMixer>(), withKey, Slots({k}));
    const MixerEntry& entry = MixerTable[k - 1][0];
    const int64_t step = StepOf(entry, profile);
    const int64_t start = entry.InitialValue + TermValue(entry.Adjustment, profile);
    for (int64_t p = 0; p < int64_t{size} * 8; ++p) {
      const bool flipped = ((zeros[p / 8] ^ withKey[p / 8]) >> (7 - p % 8)) & 1;
      ASSERT_EQ(flipped, p % step == start) << "key " << k << " bit " << p;
    }
  }
}

// ---------------------------------------------------------------------------
// What the password contributes.

TEST(Password, MixingTwiceRestoresTheInput) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 12; ++round) {
    const size_t size = 4 + rng() % (3 * BlockBytes);
    Bytes original(size);
    for (auto& b : original) b = static_cast<uint8_t>(rng());
    std::vector<int32_t> presses(5 + rng() % 16);
    for (auto& k : presses) k = 1 + static_cast<int32_t>(rng() % KeyCount);
    const PasswordSlots slots = SlotsFromPresses(presses);
    const Bytes once = Mixed(original, slots);
    EXPECT_NE(once, original) << "size " << size;
    EXPECT_EQ(Mixed(once, slots), original) << "size " << size;
  }
}

TEST(Password, TwentiethCharacterAndSixthOccurrencesChangeNothing) {
  const Bytes data(BlockBytes + 77, 0xC3);
  std::vector<int32_t> nineteen;
  for (int i = 0; i < 19; ++i) nineteen.push_back(1 + (i * 7) % KeyCount);
  std::vector<int32_t> twenty = nineteen;
  twenty.push_back(Key(u'Z'));
  EXPECT_EQ(Mixed(data, SlotsFromPresses(twenty)), Mixed(data, SlotsFromPresses(nineteen)));

  const int32_t m = Key(u'M');
  EXPECT_EQ(Mixed(data, Slots({m, m, m, m, m, m})), Mixed(data, Slots({m, m, m, m, m})));
  const std::vector<int32_t> nineteenMs(19, m);
  EXPECT_EQ(Mixed(data, SlotsFromPresses(nineteenMs)), Mixed(data, Slots({m, m, m, m, m})));
}

TEST(Password, OrderOfTheCharactersDoesNotMatter) {
  const Bytes data(2 * BlockBytes + 5, 0x0F);
  const int32_t b = Key(u'B'), n = Key(u'N'), s = Key(u' '), p = Key(u'£');
  EXPECT_EQ(Mixed(data, Slots({b, n, b, s, p, n})), Mixed(data, Slots({n, n, p, b, s, b})));
  EXPECT_NE(Mixed(data, Slots({b, n, b, s, p, n})), Mixed(data, Slots({b, n, b, s, p, b})));
}

TEST(Password, SlotsOutsideTheTableSelectNothing) {
  const Bytes data(1000, 0x77);
  PasswordSlots odd{};
  odd[0] = {Key(u'A'), 1};  // position 0 is read, but the keypad never fills it
  odd[1] = {53, 1};
  odd[2] = {Key(u'B'), 6};
  odd[3] = {Key(u'C'), 0};
  PasswordSlots onlyFirst{};
  onlyFirst[0] = {Key(u'A'), 1};
  EXPECT_EQ(Mixed(data, odd), Mixed(data, onlyFirst));
}

}  // namespace
}  // namespace tavrinole
