// The fast engine held to the reference model, byte for byte.
#include "engine/fast_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "engine/password.h"
#include "engine/reference_model.h"

// Counts heap allocations so that a test can show that mixing allocates nothing.
#include "tests/support/heap_counter.h"

namespace tavrinole {
namespace {

using Bytes = std::vector<uint8_t>;

PasswordSlots Typed(const char* text) {
  const auto keys = KeyIndicesFromUtf8(text);
  if (!keys.Ok()) std::abort();  // a typing error in this file
  return SlotsFromPresses(*keys);
}

int32_t Key(char16_t caption) {
  return KeyByCharacter(caption)->KeyIndex;
}

// Every step that an A or a B changes, and entries of all three adjustments.
const PasswordSlots SizeDependent = Typed("BQOUXNCPAEFGSRHTVWK");
// Repeated keys with small steps: the walk-heavy worst case of the reference model.
const PasswordSlots SmallSteps = Typed("MMAAHHVVLLFFJJ1144$");

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  return bytes;
}

Bytes Mixed(KeystreamMixer& mixer, uint32_t fileSize, const PasswordSlots& slots, Bytes data) {
  MixFileStart(mixer, fileSize, data, slots);
  return data;
}

::testing::AssertionResult SameAsReference(uint32_t fileSize, const PasswordSlots& slots,
                                           const Bytes& data, FastLayout layout = {}) {
  ReferenceMixer reference;
  FastMixer fast(layout);
  const Bytes expected = Mixed(reference, fileSize, slots, data);
  const Bytes actual = Mixed(fast, fileSize, slots, data);
  const auto diff = std::mismatch(expected.begin(), expected.end(), actual.begin());
  if (diff.first == expected.end()) return ::testing::AssertionSuccess();
  const size_t at = static_cast<size_t>(diff.first - expected.begin());
  return ::testing::AssertionFailure()
         << "file of " << fileSize << " bytes: byte " << at << " is " << int{*diff.second}
         << ", the reference model gives " << int{*diff.first};
}

// The whole file when it is small, otherwise its first two blocks.
::testing::AssertionResult SameOnFile(uint32_t fileSize, const PasswordSlots& slots,
                                      FastLayout layout = {}) {
  const size_t shown = std::min<size_t>(fileSize, 2 * BlockBytes);
  return SameAsReference(fileSize, slots, RandomBytes(shown, fileSize), layout);
}

PasswordSlots OneEntry(size_t row, size_t column) {
  PasswordSlots slots{};
  slots[1] = {static_cast<int32_t>(row + 1), static_cast<int32_t>(column + 1)};
  return slots;
}

// ---------------------------------------------------------------------------
// Every piece of the keystream on its own.

TEST(FastEngine, EveryMixerTableEntryUnderFourProfiles) {
  // A 4 0 2, A 0 2 3, A 1 1 2 over two blocks, A 1 1 4 over three.
  const uint32_t sizes[] = {200, 700, 120000, 128001};
  for (size_t k = 0; k < MixerTable.size(); ++k) {
    for (size_t n = 0; n < OccurrenceCount; ++n) {
      for (const uint32_t size : sizes) {
        EXPECT_TRUE(SameOnFile(size, OneEntry(k, n)))
            << "KeyIndex " << k + 1 << " occurrence " << n + 1;
      }
    }
  }
}

TEST(FastEngine, EveryProfileRowAtItsEdges) {
  std::vector<uint32_t> sizes = {4, 15};
  for (const ProfileRow& row : ProfileTable) {
    sizes.push_back(static_cast<uint32_t>(row.Threshold));
    sizes.push_back(static_cast<uint32_t>(row.Threshold) + 1);
  }
  for (const uint32_t size : sizes) {
    EXPECT_TRUE(SameOnFile(size, SizeDependent));
    EXPECT_TRUE(SameOnFile(size, SmallSteps));
  }
}

// The size with remainder r nearest to bound, below it or from it on.
uint32_t WithRemainder(int32_t r, int32_t bound, bool below) {
  int32_t size = below ? bound - 1 : bound;
  while (size % 14 != r) size += below ? -1 : 1;
  return static_cast<uint32_t>(size);
}

TEST(FastEngine, EveryBasePatternRowAndBand) {
  for (int32_t r = 1; r <= 13; ++r) {
    const BasePatternRow& row = BasePatternTable[r - 1];
    const uint32_t sizes[] = {WithRemainder(r, 4, false), WithRemainder(r, row.L, true),
                              WithRemainder(r, row.L, false), WithRemainder(r, row.U, true),
                              WithRemainder(r, row.U, false)};
    for (const uint32_t size : sizes) {
      EXPECT_TRUE(SameOnFile(size, {})) << "r " << r;
      EXPECT_TRUE(SameOnFile(size, SmallSteps)) << "r " << r;
    }
  }
}

TEST(FastEngine, SizesReadAsNegativeAndMultiplesOfFourteen) {
  for (const uint32_t size :
       {14u, 280u, 64008u, 2147483647u, 2147483648u, 3000000000u, 4294967295u}) {
    EXPECT_TRUE(SameOnFile(size, {}));
    EXPECT_TRUE(SameOnFile(size, SizeDependent));
  }
}

// ---------------------------------------------------------------------------
// Whole files across block boundaries.

TEST(FastEngine, BlockBoundaries) {
  for (const uint32_t size :
       {4u, 5u, 63999u, 64000u, 64001u, 127999u, 128000u, 128001u, 1000000u}) {
    const Bytes data = RandomBytes(size, size);
    EXPECT_TRUE(SameAsReference(size, SizeDependent, data));
    EXPECT_TRUE(SameAsReference(size, SmallSteps, data));
  }
}

TEST(FastEngine, TwentyCharactersAndRepeatedKeys) {
  const Bytes data = RandomBytes(3 * BlockBytes + 99, 3);
  const auto size = static_cast<uint32_t>(data.size());
  for (const char* password :
       {"BQOUXNCPAEFGSRHTVWKZ", "(((((((((((((((((((((", "MMMMMMM", "B B B B B B B B B B ",
        "1234567890@$=<>+-x/%", "!?()£!?()£!?()£!?()£"}) {
    EXPECT_TRUE(SameAsReference(size, Typed(password), data)) << password;
  }
}

TEST(FastEngine, SeededRandomFilesAndPasswords) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 40; ++round) {
    const uint32_t size = 4 + rng() % (3 * BlockBytes);
    std::vector<int32_t> presses(rng() % 21);
    for (auto& k : presses) k = 1 + static_cast<int32_t>(rng() % KeyCount);
    EXPECT_TRUE(SameAsReference(size, SlotsFromPresses(presses), RandomBytes(size, rng())))
        << "round " << round;
  }
}

// Slots the keypad never makes: one entry selected at several positions, values out of
// range, position 0 filled. The fast engine walks the repeated entries.
TEST(FastEngine, SlotsTheKeypadNeverMakes) {
  std::mt19937 rng(77);
  for (int round = 0; round < 20; ++round) {
    PasswordSlots slots{};
    for (auto& slot : slots)
      slot = {static_cast<int32_t>(rng() % 56), static_cast<int32_t>(rng() % 4)};
    slots[3] = slots[7] = {Key(u'B'), 1};  // twice: the register moves on twice per block
    FastMixer probe;
    probe.Prepare(200000, slots);
    ASSERT_GE(probe.WalkedCount(), 1u);
    const uint32_t size = 64000 + rng() % (2 * BlockBytes);
    EXPECT_TRUE(SameAsReference(size, slots, RandomBytes(size, round))) << "round " << round;
  }
}

// One mixer for many files, as a folder of them in one command uses it: a job of the
// size and password of the one before reuses its layout, and must start its positions
// (the tiles' phases, the walked registers) again rather than go on from that job's end.
TEST(FastEngine, OneMixerForJobAfterJobOfTheSameSizeAndPassword) {
  PasswordSlots walked = SizeDependent;
  walked[3] = walked[7] = {Key(u'B'), 1};  // a walked entry, whose register moves
  const uint32_t big = 2 * BlockBytes + 777;
  struct Job {
    uint32_t size;
    const PasswordSlots* slots;
  };
  const Job jobs[] = {{big, &walked},     {big, &walked},  {big, &SmallSteps}, {big, &walked},
                      {big - 1, &walked}, {4096, &walked}, {4096, &walked},    {big, &walked}};
  FastMixer fast;
  for (size_t i = 0; i < std::size(jobs); ++i) {
    const Bytes data = RandomBytes(jobs[i].size, static_cast<uint32_t>(i));
    ReferenceMixer reference;
    EXPECT_EQ(Mixed(fast, jobs[i].size, *jobs[i].slots, data),
              Mixed(reference, jobs[i].size, *jobs[i].slots, data))
        << "job " << i;
  }
}

// ---------------------------------------------------------------------------
// Layouts other than the default reach every path: one tile per pattern, chunks that do
// not divide a block, a whole block per chunk.

TEST(FastEngine, EveryLayoutGivesTheSameBytes) {
  const FastLayout layouts[] = {{7, 1}, {1000, 64}, {4096, 4096}, {64000, 1u << 20}};
  for (const FastLayout& layout : layouts) {
    for (const uint32_t size : {5u, 63999u, 64001u, 128001u, 200000u}) {
      EXPECT_TRUE(SameOnFile(size, SizeDependent, layout))
          << layout.ChunkBytes << "/" << layout.TilePeriodLimit;
      EXPECT_TRUE(SameOnFile(size, SmallSteps, layout))
          << layout.ChunkBytes << "/" << layout.TilePeriodLimit;
    }
  }
}

// ---------------------------------------------------------------------------
// Tiles and memory.

TEST(TilePlan, SharesTilesWithinTheLimitAndEveryPatternRepeatsInItsTile) {
  const uint32_t periods[] = {35, 33, 3, 5, 35, 1, 9};
  const TilePlan plan = PlanTiles(periods, 1200);
  ASSERT_EQ(plan.Count, 2u);
  EXPECT_EQ(plan.Period[0], 1155u);  // 35, 35, 33, 5, 3, 1 ...
  EXPECT_EQ(plan.Period[1], 9u);     // ... but not 9, which would make 3465
  for (size_t i = 0; i < std::size(periods); ++i)
    EXPECT_EQ(plan.Period[plan.TileOf[i]] % periods[i], 0u);

  // Under a limit below every period, a pattern still joins a tile whose period it divides.
  const TilePlan alone = PlanTiles(periods, 1);
  ASSERT_EQ(alone.Count, 3u);
  EXPECT_EQ(alone.Period[0], 35u);
  EXPECT_EQ(alone.Period[1], 33u);
  EXPECT_EQ(alone.Period[2], 9u);
  for (size_t i = 0; i < std::size(periods); ++i)
    EXPECT_EQ(alone.Period[alone.TileOf[i]] % periods[i], 0u);
}

// Over every set of periods that passwords can select, the default layout needs at most
// five tiles: with the base mask, under BlockBytes + 5 * (TilePeriodLimit + ChunkBytes).
TEST(TilePlan, DefaultLayoutNeedsAtMostFiveTilesForAnyPassword) {
  std::vector<uint32_t> all;
  for (int32_t step = 5; step <= 36; ++step) {
    if (std::find(all.begin(), all.end(), BytePeriod(step)) == all.end())
      all.push_back(BytePeriod(step));
  }
  ASSERT_EQ(all.size(), 20u);
  const FastLayout layout;
  size_t mostTiles = 0;
  for (uint32_t set = 0; set < (1u << all.size()); set += 1) {
    std::vector<uint32_t> periods;
    for (size_t i = 0; i < all.size(); ++i) {
      if (set >> i & 1) periods.push_back(all[i]);
    }
    if (periods.size() > MaxTiles - 1) continue;  // at most 19 characters are mixed
    const TilePlan plan = PlanTiles(periods, layout.TilePeriodLimit);
    mostTiles = std::max(mostTiles, plan.Count);
    for (size_t t = 0; t < plan.Count; ++t) ASSERT_LE(plan.Period[t], layout.TilePeriodLimit);
  }
  EXPECT_EQ(mostTiles, 5u);
}

TEST(FastEngine, MixingAllocatesNothingAndMemoryDoesNotGrowWithTheFile) {
  FastMixer mixer;
  mixer.Prepare(4294967295u, SmallSteps);
  size_t most = mixer.ArenaBytes();
  for (const ProfileRow& row : ProfileTable) {
    for (const PasswordSlots& slots : {SmallSteps, SizeDependent}) {
      mixer.Prepare(static_cast<uint32_t>(row.Threshold) + 1, slots);
      most = std::max(most, mixer.ArenaBytes());
    }
  }
  const FastLayout layout;
  EXPECT_LE(most, BlockBytes + 5 * (layout.TilePeriodLimit + layout.ChunkBytes));

  Bytes block = RandomBytes(BlockBytes, 5);
  const long before = test_support::heap::Allocations.load();
  for (int b = 0; b < 50; ++b) mixer.MixBlock(block);
  mixer.MixBlock(std::span(block).first(100));
  EXPECT_EQ(test_support::heap::Allocations.load(), before);
  EXPECT_EQ(mixer.ArenaBytes(), most);
}

}  // namespace
}  // namespace tavrinole
