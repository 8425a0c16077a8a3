// The keystream held to values from outside the code: the engines to digests computed
// apart from the project, and the tables to the documents they were typed from. The
// tables below are written out from the key documentation, never derived from the
// code, so a changed cell fails here even where every engine agrees with the others.
#include "tests/engine/fixed_answers.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/fast_engine.h"
#include "engine/key_table.h"
#include "engine/keystream_tables.h"
#include "engine/reference_model.h"

namespace tavrinole {
namespace {

using testing::FixedAnswer;
using testing::FixedAnswers;
using testing::KeystreamDigest;

TEST(FixedAnswers, FastEngineGivesEveryDigest) {
  for (const FixedAnswer& answer : FixedAnswers) {
    FastMixer mixer;
    EXPECT_EQ(KeystreamDigest(mixer, answer), answer.Sha256)
        << answer.ZeroBytes << " zero bytes, password " << answer.Password;
  }
}

// Every row, the 12 MB one included, takes the model about a second in all.
TEST(FixedAnswers, ReferenceModelGivesEveryDigest) {
  for (const FixedAnswer& answer : FixedAnswers) {
    ReferenceMixer mixer;
    EXPECT_EQ(KeystreamDigest(mixer, answer), answer.Sha256)
        << answer.ZeroBytes << " zero bytes, password " << answer.Password;
  }
}

// --- The size profile ------------------------------------------------------------------

struct ProfileDocRow {
  int row;
  int32_t greaterThan;
  int32_t a, b, c;
};

// clang-format off
constexpr ProfileDocRow ProfileDoc[] = {
  // Row  Size greater than  A  B  C
  {1, 15, 0, 1, 0},
  {2, 30, 2, 3, 2},
  {3, 48, 3, 0, 4},
  {4, 74, 1, 0, 3},
  {5, 100, 2, 3, 4},
  {6, 121, 3, 0, 0},
  {7, 162, 4, 0, 2},
  {8, 250, 0, 3, 1},
  {9, 366, 4, 2, 3},
  {10, 481, 1, 2, 1},
  {11, 689, 0, 2, 3},
  {12, 813, 3, 1, 1},
  {13, 1290, 2, 2, 0},
  {14, 1990, 1, 1, 0},
  {15, 13500, 3, 4, 2},
  {16, 24583, 4, 3, 0},
  {17, 55093, 1, 1, 2},
  {18, 120014, 1, 1, 4},
  {19, 580222, 0, 4, 4},
  {20, 1203540, 2, 2, 1},
  {21, 2350147, 1, 0, 0},
  {22, 2777500, 4, 0, 0},
  {23, 5100960, 3, 1, 3},
  {24, 12300514, 1, 1, 1},
  {25, 26005120, 2, 3, 3},
  {26, 55222800, 0, 3, 0},
  {27, 103000222, 2, 2, 3},
  {28, 300455888, 0, 2, 1},
  {29, 500000000, 4, 3, 4},
  {30, 700000000, 3, 0, 2},
  {31, 1100000000, 1, 4, 4},
  {32, 1500000000, 1, 3, 1},
};
// clang-format on

// At its threshold a row does not apply yet; one byte more and it does.
TEST(FixedAnswers, ProfileRowsTakeOverOneByteAboveTheirThresholds) {
  ASSERT_EQ(std::size(ProfileDoc), ProfileTable.size());
  SizeProfile below{};
  for (const ProfileDocRow& doc : ProfileDoc) {
    const SizeProfile row{doc.a, doc.b, doc.c};
    EXPECT_EQ(ProfileForSize(doc.greaterThan), below) << "size " << doc.greaterThan;
    EXPECT_EQ(ProfileForSize(doc.greaterThan + 1), row) << "row " << doc.row;
    below = row;
  }
  EXPECT_EQ(ProfileForSize(INT32_MAX), below);
  EXPECT_EQ(ProfileForSize(-1), SizeProfile{});
  EXPECT_EQ(ProfileForSize(INT32_MIN), SizeProfile{});
}

// --- The base pattern ------------------------------------------------------------------

struct BaseDocRow {
  int32_t r, l, u;
  FlipPattern belowL, fromLBelowU, fromU;
};

// clang-format off
constexpr BaseDocRow BaseDoc[] = {
  // r   L      U        size < L  L <= size < U  size >= U
  {1, 500, 2000000, {0, 1}, {1, 2}, {0, 36}},
  {2, 380, 1800000, {2, 4}, {1, 5}, {7, 36}},
  {3, 555, 1850000, {0, 5}, {2, 3}, {11, 35}},
  {4, 457, 1800100, {1, 5}, {1, 4}, {17, 36}},
  {5, 412, 1950100, {0, 3}, {2, 5}, {33, 36}},
  {6, 398, 1900800, {0, 2}, {0, 3}, {5, 34}},
  {7, 355, 1990000, {1, 2}, {2, 4}, {22, 35}},
  {8, 512, 1880400, {3, 4}, {0, 5}, {3, 33}},
  {9, 600, 2100000, {2, 5}, {0, 4}, {2, 35}},
  {10, 640, 1800900, {0, 4}, {1, 3}, {28, 33}},
  {11, 340, 2000500, {2, 3}, {0, 2}, {6, 34}},
  {12, 509, 2000900, {1, 4}, {3, 4}, {25, 34}},
  {13, 280, 1800200, {1, 3}, {0, 1}, {1, 33}},
};
// clang-format on

// The sizes of remainder r nearest to a bound: the last one below it and the first one
// at or above it.
int32_t LastBelow(int32_t bound, int32_t r) {
  int32_t size = bound - 1;
  while (size % 14 != r) --size;
  return size;
}
int32_t FirstFrom(int32_t bound, int32_t r) {
  int32_t size = bound;
  while (size % 14 != r) ++size;
  return size;
}

TEST(FixedAnswers, BasePatternBandsChangeExactlyAtTheirBounds) {
  ASSERT_EQ(std::size(BaseDoc), BasePatternTable.size());
  for (const BaseDocRow& doc : BaseDoc) {
    const struct {
      int32_t size;
      FlipPattern expected;
    } checks[] = {{doc.r, doc.belowL},
                  {LastBelow(doc.l, doc.r), doc.belowL},
                  {FirstFrom(doc.l, doc.r), doc.fromLBelowU},
                  {LastBelow(doc.u, doc.r), doc.fromLBelowU},
                  {FirstFrom(doc.u, doc.r), doc.fromU},
                  {INT32_MAX - (INT32_MAX % 14) - 14 + doc.r, doc.fromU}};
    for (const auto& check : checks) {
      const std::optional<FlipPattern> got = BasePatternForSize(check.size);
      ASSERT_TRUE(got.has_value()) << "size " << check.size;
      EXPECT_EQ(*got, check.expected) << "size " << check.size << " (r = " << doc.r << ")";
    }
  }
  for (int32_t size : {0, 14, 280, 1800200 - 1800200 % 14, -1, -13, INT32_MIN}) {
    EXPECT_FALSE(BasePatternForSize(size).has_value()) << "size " << size;
  }
}

// --- The MixerTable --------------------------------------------------------------------

struct MixerDocRow {
  int32_t keyIndex;
  const char16_t* key;
  const char* cells[OccurrenceCount];
};

// clang-format off
constexpr MixerDocRow MixerDoc[] = {
  // KeyIndex Key  occurrence 1 .. 5, each "step / initial value"
  {1, u"B", {"A+6 / 1", "18 / 12", "24 / 22", "13 / 11", "26 / 23"}},
  {2, u"N", {"27 / 0+A", "13 / 3", "24 / 21", "28 / 6", "18 / 11"}},
  {3, u"C", {"11 / 2+B", "17 / 11", "25 / 7", "17 / 10", "29 / 2"}},
  {4, u"P", {"12 / 0+C", "30 / 1", "13 / 12", "16 / 2", "29 / 19"}},
  {5, u"A", {"25 / 9+C", "6 / 5", "31 / 2", "28 / 15", "25 / 17"}},
  {6, u"Q", {"A+5 / 4", "28 / 4", "22 / 16", "26 / 14", "32 / 6"}},
  {7, u"D", {"25 / 0+B", "13 / 2", "28 / 22", "34 / 27", "33 / 6"}},
  {8, u"E", {"17 / 5+A", "12 / 11", "28 / 8", "25 / 19", "30 / 19"}},
  {9, u"F", {"21 / 5+B", "7 / 3", "27 / 25", "20 / 14", "28 / 3"}},
  {10, u"G", {"23 / 13+C", "11 / 9", "25 / 8", "33 / 13", "27 / 14"}},
  {11, u"I", {"15 / 0+B", "16 / 15", "23 / 5", "30 / 2", "35 / 32"}},
  {12, u"J", {"11 / 1", "7 / 0", "31 / 8", "24 / 13", "34 / 13"}},
  {13, u"O", {"A+14 / 13", "22 / 3", "27 / 19", "34 / 8", "32 / 13"}},
  {14, u"S", {"22 / 17+B", "11 / 8", "30 / 15", "32 / 5", "24 / 20"}},
  {15, u"R", {"13 / 5+C", "28 / 5", "24 / 23", "31 / 23", "33 / 4"}},
  {16, u"H", {"20 / 7+C", "6 / 0", "30 / 13", "26 / 12", "32 / 31"}},
  {17, u"T", {"18 / 1+A", "9 / 8", "29 / 26", "31 / 6", "36 / 22"}},
  {18, u"U", {"A+11 / 10", "25 / 18", "22 / 2", "27 / 15", "32 / 12"}},
  {19, u"V", {"21 / 16+C", "6 / 3", "28 / 17", "26 / 25", "36 / 8"}},
  {20, u"W", {"14 / 5+A", "26 / 13", "30 / 11", "34 / 20", "31 / 1"}},
  {21, u"K", {"23 / 0+C", "8 / 7", "23 / 6", "28 / 18", "22 / 15"}},
  {22, u"X", {"B+9 / 0", "29 / 4", "30 / 27", "20 / 1", "33 / 17"}},
  {23, u"L", {"26 / 0+C", "6 / 2", "19 / 13", "26 / 8", "32 / 22"}},
  {24, u"Y", {"8 / 0+B", "20 / 13", "26 / 6", "27 / 26", "35 / 6"}},
  {25, u"M", {"22 / 9+C", "5 / 3", "22 / 1", "25 / 15", "29 / 13"}},
  {26, u"Z", {"24 / 0+C", "10 / 4", "28 / 9", "31 / 17", "35 / 23"}},
  {27, u"1", {"20 / 2+A", "7 / 5", "15 / 14", "25 / 22", "33 / 8"}},
  {28, u"2", {"14 / 0+C", "24 / 12", "19 / 0", "28 / 25", "32 / 9"}},
  {29, u"3", {"20 / 15+B", "8 / 5", "24 / 11", "28 / 14", "21 / 15"}},
  {30, u"4", {"19 / 6+B", "7 / 2", "33 / 10", "29 / 10", "32 / 26"}},
  {31, u"5", {"16 / 8+B", "10 / 3", "26 / 5", "32 / 3", "31 / 30"}},
  {32, u"6", {"22 / 4+A", "16 / 0", "20 / 12", "24 / 19", "27 / 7"}},
  {33, u"7", {"18 / 6+C", "11 / 7", "25 / 6", "29 / 18", "19 / 12"}},
  {34, u"8", {"10 / 5+C", "27 / 12", "16 / 14", "25 / 14", "31 / 12"}},
  {35, u"9", {"23 / 7+B", "28 / 2", "22 / 14", "34 / 7", "36 / 29"}},
  {36, u"0", {"24 / 14+C", "8 / 6", "30 / 5", "27 / 18", "33 / 5"}},
  {37, u"@", {"23 / 18+A", "14 / 11", "20 / 0", "23 / 12", "31 / 7"}},
  {38, u"\u00A3", {"15 / 5+C", "13 / 4", "24 / 5", "29 / 1", "31 / 25"}},
  {39, u"$", {"24 / 6+A", "7 / 6", "29 / 17", "32 / 4", "33 / 21"}},
  {40, u" ", {"17 / 0+B", "19 / 11", "26 / 20", "22 / 0", "34 / 26"}},
  {41, u"=", {"18 / 13+A", "26 / 18", "30 / 8", "36 / 1", "28 / 12"}},
  {42, u"<", {"16 / 3+C", "25 / 5", "30 / 22", "36 / 15", "26 / 19"}},
  {43, u">", {"21 / 0+A", "33 / 7", "26 / 7", "30 / 0", "34 / 18"}},
  {44, u"+", {"19 / 14+A", "31 / 18", "27 / 6", "34 / 0", "27 / 23"}},
  {45, u"-", {"10 / 2", "33 / 2", "28 / 1", "32 / 0", "29 / 0"}},
  {46, u"x", {"12 / 5+B", "27 / 5", "30 / 16", "33 / 29", "35 / 12"}},
  {47, u"/", {"19 / 1+A", "28 / 0", "36 / 4", "31 / 4", "30 / 29"}},
  {48, u"%", {"18 / 0", "32 / 21", "31 / 5", "36 / 14", "27 / 24"}},
  {49, u"!", {"17 / 12+B", "29 / 9", "31 / 0", "33 / 16", "34 / 30"}},
  {50, u"?", {"9 / 3+B", "28 / 7", "31 / 28", "33 / 9", "32 / 15"}},
  {51, u"(", {"21 / 10+C", "28 / 13", "34 / 2", "31 / 10", "35 / 5"}},
  {52, u")", {"13 / 1", "30 / 7", "32 / 25", "34 / 17", "35 / 30"}},
};
// clang-format on

char TermLetter(SizeTerm term) {
  switch (term) {
    case SizeTerm::A:
      return 'A';
    case SizeTerm::B:
      return 'B';
    case SizeTerm::C:
      return 'C';
    case SizeTerm::None:
      break;
  }
  return '?';
}

// An entry written back the way the documentation writes its cells.
std::string AsWritten(const MixerEntry& entry) {
  std::string cell;
  if (entry.StepTerm != SizeTerm::None) {
    cell.push_back(TermLetter(entry.StepTerm));
    cell.push_back('+');
  }
  cell.append(std::to_string(entry.StepConstant)).append(" / ");
  cell.append(std::to_string(entry.InitialValue));
  if (entry.Adjustment != SizeTerm::None) {
    cell.push_back('+');
    cell.push_back(TermLetter(entry.Adjustment));
  }
  return cell;
}

TEST(FixedAnswers, EveryMixerTableCellReadsAsDocumented) {
  ASSERT_EQ(std::size(MixerDoc), MixerTable.size());
  for (const MixerDocRow& doc : MixerDoc) {
    const std::optional<KeyEntry> key = KeyByCharacter(doc.key[0]);
    ASSERT_TRUE(key.has_value()) << "KeyIndex " << doc.keyIndex;
    EXPECT_EQ(key->KeyIndex, doc.keyIndex);
    for (int n = 0; n < OccurrenceCount; ++n) {
      EXPECT_EQ(AsWritten(MixerTable[doc.keyIndex - 1][n]), doc.cells[n])
          << "KeyIndex " << doc.keyIndex << ", occurrence " << n + 1;
    }
  }
}

}  // namespace
}  // namespace tavrinole
