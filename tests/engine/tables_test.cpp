// Structural facts of the keystream tables, each independent of how a row was typed:
// a transposed digit or a shifted column breaks at least one of them.
#include <gtest/gtest.h>

#include <set>

#include "engine/key_table.h"
#include "engine/keystream_tables.h"

namespace tavrinole {
namespace {

TEST(ProfileTable, ThresholdsGrowAndValuesStayWithinZeroToFour) {
  for (size_t i = 0; i < ProfileTable.size(); ++i) {
    if (i > 0) {
      EXPECT_GT(ProfileTable[i].Threshold, ProfileTable[i - 1].Threshold) << "row " << i + 1;
    }
    for (int32_t v : {ProfileTable[i].A, ProfileTable[i].B, ProfileTable[i].C}) {
      EXPECT_GE(v, 0);
      EXPECT_LE(v, 4);
    }
  }
  EXPECT_EQ(ProfileTable.front().Threshold, 15);
  EXPECT_EQ(ProfileTable.back().Threshold, 1500000000);
}

TEST(BasePatternTable, BoundsAndPatternsAreWellFormed) {
  for (size_t r = 0; r < BasePatternTable.size(); ++r) {
    const BasePatternRow& row = BasePatternTable[r];
    EXPECT_LT(row.L, row.U) << "r = " << r + 1;
    for (const FlipPattern& p : {row.BelowL, row.FromLBelowU, row.FromU}) {
      EXPECT_GE(p.Step, 1);
      EXPECT_GE(p.Start, 0);
      EXPECT_LT(p.Start, p.Step) << "r = " << r + 1;
    }
    // Above U every row uses a long step of 33 to 36.
    EXPECT_GE(row.FromU.Step, 33);
    EXPECT_LE(row.FromU.Step, 36);
  }
}

TEST(MixerTable, SizeAdjustmentsAreTheFortyThreeOfColumnOne) {
  int byA = 0, byB = 0, byC = 0;
  for (size_t k = 0; k < MixerTable.size(); ++k) {
    for (size_t n = 0; n < OccurrenceCount; ++n) {
      const SizeTerm adj = MixerTable[k][n].Adjustment;
      if (n > 0) {
        EXPECT_EQ(adj, SizeTerm::None) << "key " << k + 1 << " occurrence " << n + 1;
      }
      byA += adj == SizeTerm::A;
      byB += adj == SizeTerm::B;
      byC += adj == SizeTerm::C;
    }
  }
  EXPECT_EQ(byA, 12);
  EXPECT_EQ(byB, 14);
  EXPECT_EQ(byC, 17);
  // J, -, % and ) are the column-1 entries that depend on the table alone.
  std::set<char16_t> tableOnly;
  for (const KeyEntry& key : KeyTable) {
    const MixerEntry& entry = MixerTable[key.KeyIndex - 1][0];
    if (entry.Adjustment == SizeTerm::None && entry.StepTerm == SizeTerm::None) {
      tableOnly.insert(key.Caption);
    }
  }
  EXPECT_EQ(tableOnly, (std::set<char16_t>{u'J', u'-', u'%', u')'}));
}

TEST(MixerTable, SizeDependentStepsAreTheFiveNamed) {
  struct Expected {
    char16_t key;
    SizeTerm term;
    int32_t constant;
  };
  const Expected expected[] = {{u'B', SizeTerm::A, 6},
                               {u'Q', SizeTerm::A, 5},
                               {u'O', SizeTerm::A, 14},
                               {u'U', SizeTerm::A, 11},
                               {u'X', SizeTerm::B, 9}};
  int found = 0;
  for (size_t k = 0; k < MixerTable.size(); ++k) {
    for (size_t n = 0; n < OccurrenceCount; ++n)
      found += MixerTable[k][n].StepTerm != SizeTerm::None;
  }
  EXPECT_EQ(found, 5);
  for (const Expected& e : expected) {
    const MixerEntry& entry = MixerTable[KeyByCharacter(e.key)->KeyIndex - 1][0];
    EXPECT_EQ(entry.StepTerm, e.term);
    EXPECT_EQ(entry.StepConstant, e.constant);
  }
}

// Every register must stay in 0..step-1 for every profile, or a pattern would not
// continue across block borders as one stream.
TEST(MixerTable, EveryStartValueLiesBelowItsStepForEveryProfile) {
  for (int32_t a = 0; a <= 4; ++a) {
    for (int32_t b = 0; b <= 4; ++b) {
      for (int32_t c = 0; c <= 4; ++c) {
        const SizeProfile profile{a, b, c};
        for (const MixerRow& row : MixerTable) {
          for (const MixerEntry& entry : row) {
            const int32_t step = StepOf(entry, profile);
            const int32_t start = entry.InitialValue + TermValue(entry.Adjustment, profile);
            ASSERT_GE(step, 5);
            ASSERT_LE(step, 36);
            ASSERT_GE(start, 0);
            ASSERT_LT(start, step);
          }
        }
      }
    }
  }
}

TEST(KeyTable, IndicesRunInOrderAndEachCaptionTypesItsOwnCode) {
  std::set<char16_t> captions;
  for (size_t i = 0; i < KeyTable.size(); ++i) {
    const KeyEntry& key = KeyTable[i];
    EXPECT_EQ(key.KeyIndex, static_cast<int32_t>(i) + 1);
    EXPECT_EQ(static_cast<int32_t>(key.Caption), key.CharacterCode);
    EXPECT_TRUE(captions.insert(key.Caption).second);
  }
  EXPECT_EQ(KeyTable.size() + 1, OccurrenceCounters{}.size());
}

}  // namespace
}  // namespace tavrinole
