// The keystream's constant data. Every number here decides flipped bits of every
// document ever encoded, so the tables are laid out like the documents they come
// from and checked against independent facts in tests/engine.
#pragma once

#include <array>
#include <cstdint>

#include "engine/keystream_types.h"

namespace tavrinole {

// ---------------------------------------------------------------------------
// Size profile: the row with the largest threshold below the size wins.

struct ProfileRow {
  int32_t Threshold;  // the size must be greater than this
  int32_t A, B, C;
};

// clang-format off
inline constexpr std::array<ProfileRow, 32> ProfileTable = {{
  // Row  Size greater than   A  B  C
  {/*  1 */          15, 0, 1, 0},
  {/*  2 */          30, 2, 3, 2},
  {/*  3 */          48, 3, 0, 4},
  {/*  4 */          74, 1, 0, 3},
  {/*  5 */         100, 2, 3, 4},
  {/*  6 */         121, 3, 0, 0},
  {/*  7 */         162, 4, 0, 2},
  {/*  8 */         250, 0, 3, 1},
  {/*  9 */         366, 4, 2, 3},
  {/* 10 */         481, 1, 2, 1},
  {/* 11 */         689, 0, 2, 3},
  {/* 12 */         813, 3, 1, 1},
  {/* 13 */        1290, 2, 2, 0},
  {/* 14 */        1990, 1, 1, 0},
  {/* 15 */       13500, 3, 4, 2},
  {/* 16 */       24583, 4, 3, 0},
  {/* 17 */       55093, 1, 1, 2},
  {/* 18 */      120014, 1, 1, 4},
  {/* 19 */      580222, 0, 4, 4},
  {/* 20 */     1203540, 2, 2, 1},
  {/* 21 */     2350147, 1, 0, 0},
  {/* 22 */     2777500, 4, 0, 0},
  {/* 23 */     5100960, 3, 1, 3},
  {/* 24 */    12300514, 1, 1, 1},
  {/* 25 */    26005120, 2, 3, 3},
  {/* 26 */    55222800, 0, 3, 0},
  {/* 27 */   103000222, 2, 2, 3},
  {/* 28 */   300455888, 0, 2, 1},
  {/* 29 */   500000000, 4, 3, 4},
  {/* 30 */   700000000, 3, 0, 2},
  {/* 31 */  1100000000, 1, 4, 4},
  {/* 32 */  1500000000, 1, 3, 1},
}};
// clang-format on

// ---------------------------------------------------------------------------
// Base pattern: for each remainder of the size modulo 14 (1..13), a lower bound L,
// an upper bound U, and one flip pattern for each band: below L, L up to U, U on.

struct FlipPattern {
  int32_t Start;
  int32_t Step;
  friend bool operator==(const FlipPattern&, const FlipPattern&) = default;
};

struct BasePatternRow {
  int32_t L, U;
  FlipPattern BelowL, FromLBelowU, FromU;
};

// Index r - 1 holds the row of remainder r.
// clang-format off
inline constexpr std::array<BasePatternRow, 13> BasePatternTable = {{
  //  r     L         U     size < L  L<=size<U  size >= U
  {/*  1 */  500,  2000000, { 0,  1}, { 1,  2}, { 0, 36}},
  {/*  2 */  380,  1800000, { 2,  4}, { 1,  5}, { 7, 36}},
  {/*  3 */  555,  1850000, { 0,  5}, { 2,  3}, {11, 35}},
  {/*  4 */  457,  1800100, { 1,  5}, { 1,  4}, {17, 36}},
  {/*  5 */  412,  1950100, { 0,  3}, { 2,  5}, {33, 36}},
  {/*  6 */  398,  1900800, { 0,  2}, { 0,  3}, { 5, 34}},
  {/*  7 */  355,  1990000, { 1,  2}, { 2,  4}, {22, 35}},
  {/*  8 */  512,  1880400, { 3,  4}, { 0,  5}, { 3, 33}},
  {/*  9 */  600,  2100000, { 2,  5}, { 0,  4}, { 2, 35}},
  {/* 10 */  640,  1800900, { 0,  4}, { 1,  3}, {28, 33}},
  {/* 11 */  340,  2000500, { 2,  3}, { 0,  2}, { 6, 34}},
  {/* 12 */  509,  2000900, { 1,  4}, { 3,  4}, {25, 34}},
  {/* 13 */  280,  1800200, { 1,  3}, { 0,  1}, { 1, 33}},
}};
// clang-format on

// ---------------------------------------------------------------------------
// MixerTable: entry (k, n) is the password pattern of the n-th occurrence of the
// key with KeyIndex k. Each cell reads "step / initial register value", as in the
// key documentation: a step "A+6" is the job's A plus 6, an initial value "0+A"
// receives the job's A once per job.

enum class SizeTerm : uint8_t { None, A, B, C };

struct MixerEntry {
  SizeTerm StepTerm;  // size term added to StepConstant, or None
  int32_t StepConstant;
  int32_t InitialValue;  // the register's value at program start
  SizeTerm Adjustment;   // size term AdjustRegisters adds to the register, or None
};

namespace detail {

constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr SizeTerm TermOf(char c) {
  switch (c) {
    case 'A':
      return SizeTerm::A;
    case 'B':
      return SizeTerm::B;
    case 'C':
      return SizeTerm::C;
    default:
      throw "MixerTable cell: a size term is A, B or C";
  }
}

// Reads a number, or a letter and a number ("A+6"), or a number and a letter ("0+A").
struct TermParser {
  const char* p;

  constexpr void SkipBlanks() {
    while (*p == ' ') ++p;
  }
  constexpr int32_t Number() {
    if (!IsDigit(*p)) throw "MixerTable cell: a number is missing";
    int32_t value = 0;
    while (IsDigit(*p)) value = value * 10 + (*p++ - '0');
    return value;
  }
  constexpr void Expect(char c) {
    if (*p != c) throw "MixerTable cell: unexpected character";
    ++p;
  }
};

}  // namespace detail

// Parses one cell such as "A+6 / 1", "27 / 0+A" or "18 / 12" at compile time.
consteval MixerEntry E(const char* cell) {
  detail::TermParser in{cell};
  MixerEntry entry{SizeTerm::None, 0, 0, SizeTerm::None};
  in.SkipBlanks();
  if (!detail::IsDigit(*in.p)) {
    entry.StepTerm = detail::TermOf(*in.p++);
    in.Expect('+');
  }
  entry.StepConstant = in.Number();
  in.SkipBlanks();
  in.Expect('/');
  in.SkipBlanks();
  entry.InitialValue = in.Number();
  if (*in.p == '+') {
    ++in.p;
    entry.Adjustment = detail::TermOf(*in.p++);
  }
  in.SkipBlanks();
  if (*in.p != '\0') throw "MixerTable cell: trailing characters";
  return entry;
}

using MixerRow = std::array<MixerEntry, OccurrenceCount>;

// Index k - 1 holds the row of KeyIndex k; column n - 1 the n-th occurrence.
// clang-format off
inline constexpr std::array<MixerRow, 52> MixerTable = {{
  //  k  key       occurrence 1    occurrence 2    occurrence 3    occurrence 4    occurrence 5
  /*  1 B     */ {E("A+6 / 1"),   E("18 / 12"),   E("24 / 22"),   E("13 / 11"),   E("26 / 23")},
  /*  2 N     */ {E("27 / 0+A"),  E("13 / 3"),    E("24 / 21"),   E("28 / 6"),    E("18 / 11")},
  /*  3 C     */ {E("11 / 2+B"),  E("17 / 11"),   E("25 / 7"),    E("17 / 10"),   E("29 / 2")},
  /*  4 P     */ {E("12 / 0+C"),  E("30 / 1"),    E("13 / 12"),   E("16 / 2"),    E("29 / 19")},
  /*  5 A     */ {E("25 / 9+C"),  E("6 / 5"),     E("31 / 2"),    E("28 / 15"),   E("25 / 17")},
  /*  6 Q     */ {E("A+5 / 4"),   E("28 / 4"),    E("22 / 16"),   E("26 / 14"),   E("32 / 6")},
  /*  7 D     */ {E("25 / 0+B"),  E("13 / 2"),    E("28 / 22"),   E("34 / 27"),   E("33 / 6")},
  /*  8 E     */ {E("17 / 5+A"),  E("12 / 11"),   E("28 / 8"),    E("25 / 19"),   E("30 / 19")},
  /*  9 F     */ {E("21 / 5+B"),  E("7 / 3"),     E("27 / 25"),   E("20 / 14"),   E("28 / 3")},
  /* 10 G     */ {E("23 / 13+C"), E("11 / 9"),    E("25 / 8"),    E("33 / 13"),   E("27 / 14")},
  /* 11 I     */ {E("15 / 0+B"),  E("16 / 15"),   E("23 / 5"),    E("30 / 2"),    E("35 / 32")},
  /* 12 J     */ {E("11 / 1"),    E("7 / 0"),     E("31 / 8"),    E("24 / 13"),   E("34 / 13")},
  /* 13 O     */ {E("A+14 / 13"), E("22 / 3"),    E("27 / 19"),   E("34 / 8"),    E("32 / 13")},
  /* 14 S     */ {E("22 / 17+B"), E("11 / 8"),    E("30 / 15"),   E("32 / 5"),    E("24 / 20")},
  /* 15 R     */ {E("13 / 5+C"),  E("28 / 5"),    E("24 / 23"),   E("31 / 23"),   E("33 / 4")},
  /* 16 H     */ {E("20 / 7+C"),  E("6 / 0"),     E("30 / 13"),   E("26 / 12"),   E("32 / 31")},
  /* 17 T     */ {E("18 / 1+A"),  E("9 / 8"),     E("29 / 26"),   E("31 / 6"),    E("36 / 22")},
  /* 18 U     */ {E("A+11 / 10"), E("25 / 18"),   E("22 / 2"),    E("27 / 15"),   E("32 / 12")},
  /* 19 V     */ {E("21 / 16+C"), E("6 / 3"),     E("28 / 17"),   E("26 / 25"),   E("36 / 8")},
  /* 20 W     */ {E("14 / 5+A"),  E("26 / 13"),   E("30 / 11"),   E("34 / 20"),   E("31 / 1")},
  /* 21 K     */ {E("23 / 0+C"),  E("8 / 7"),     E("23 / 6"),    E("28 / 18"),   E("22 / 15")},
  /* 22 X     */ {E("B+9 / 0"),   E("29 / 4"),    E("30 / 27"),   E("20 / 1"),    E("33 / 17")},
  /* 23 L     */ {E("26 / 0+C"),  E("6 / 2"),     E("19 / 13"),   E("26 / 8"),    E("32 / 22")},
  /* 24 Y     */ {E("8 / 0+B"),   E("20 / 13"),   E("26 / 6"),    E("27 / 26"),   E("35 / 6")},
  /* 25 M     */ {E("22 / 9+C"),  E("5 / 3"),     E("22 / 1"),    E("25 / 15"),   E("29 / 13")},
  /* 26 Z     */ {E("24 / 0+C"),  E("10 / 4"),    E("28 / 9"),    E("31 / 17"),   E("35 / 23")},
  /* 27 1     */ {E("20 / 2+A"),  E("7 / 5"),     E("15 / 14"),   E("25 / 22"),   E("33 / 8")},
  /* 28 2     */ {E("14 / 0+C"),  E("24 / 12"),   E("19 / 0"),    E("28 / 25"),   E("32 / 9")},
  /* 29 3     */ {E("20 / 15+B"), E("8 / 5"),     E("24 / 11"),   E("28 / 14"),   E("21 / 15")},
  /* 30 4     */ {E("19 / 6+B"),  E("7 / 2"),     E("33 / 10"),   E("29 / 10"),   E("32 / 26")},
  /* 31 5     */ {E("16 / 8+B"),  E("10 / 3"),    E("26 / 5"),    E("32 / 3"),    E("31 / 30")},
  /* 32 6     */ {E("22 / 4+A"),  E("16 / 0"),    E("20 / 12"),   E("24 / 19"),   E("27 / 7")},
  /* 33 7     */ {E("18 / 6+C"),  E("11 / 7"),    E("25 / 6"),    E("29 / 18"),   E("19 / 12")},
  /* 34 8     */ {E("10 / 5+C"),  E("27 / 12"),   E("16 / 14"),   E("25 / 14"),   E("31 / 12")},
  /* 35 9     */ {E("23 / 7+B"),  E("28 / 2"),    E("22 / 14"),   E("34 / 7"),    E("36 / 29")},
  /* 36 0     */ {E("24 / 14+C"), E("8 / 6"),     E("30 / 5"),    E("27 / 18"),   E("33 / 5")},
  /* 37 @     */ {E("23 / 18+A"), E("14 / 11"),   E("20 / 0"),    E("23 / 12"),   E("31 / 7")},
  /* 38 £     */ {E("15 / 5+C"),  E("13 / 4"),    E("24 / 5"),    E("29 / 1"),    E("31 / 25")},
  /* 39 $     */ {E("24 / 6+A"),  E("7 / 6"),     E("29 / 17"),   E("32 / 4"),    E("33 / 21")},
  /* 40 " "   */ {E("17 / 0+B"),  E("19 / 11"),   E("26 / 20"),   E("22 / 0"),    E("34 / 26")},
  /* 41 =     */ {E("18 / 13+A"), E("26 / 18"),   E("30 / 8"),    E("36 / 1"),    E("28 / 12")},
  /* 42 <     */ {E("16 / 3+C"),  E("25 / 5"),    E("30 / 22"),   E("36 / 15"),   E("26 / 19")},
  /* 43 >     */ {E("21 / 0+A"),  E("33 / 7"),    E("26 / 7"),    E("30 / 0"),    E("34 / 18")},
  /* 44 +     */ {E("19 / 14+A"), E("31 / 18"),   E("27 / 6"),    E("34 / 0"),    E("27 / 23")},
  /* 45 -     */ {E("10 / 2"),    E("33 / 2"),    E("28 / 1"),    E("32 / 0"),    E("29 / 0")},
  /* 46 x     */ {E("12 / 5+B"),  E("27 / 5"),    E("30 / 16"),   E("33 / 29"),   E("35 / 12")},
  /* 47 /     */ {E("19 / 1+A"),  E("28 / 0"),    E("36 / 4"),    E("31 / 4"),    E("30 / 29")},
  /* 48 %     */ {E("18 / 0"),    E("32 / 21"),   E("31 / 5"),    E("36 / 14"),   E("27 / 24")},
  /* 49 !     */ {E("17 / 12+B"), E("29 / 9"),    E("31 / 0"),    E("33 / 16"),   E("34 / 30")},
  /* 50 ?     */ {E("9 / 3+B"),   E("28 / 7"),    E("31 / 28"),   E("33 / 9"),    E("32 / 15")},
  /* 51 (     */ {E("21 / 10+C"), E("28 / 13"),   E("34 / 2"),    E("31 / 10"),   E("35 / 5")},
  /* 52 )     */ {E("13 / 1"),    E("30 / 7"),    E("32 / 25"),   E("34 / 17"),   E("35 / 30")},
}};
// clang-format on

// The step of an entry for the job's size profile.
constexpr int32_t StepOf(const MixerEntry& entry, const SizeProfile& profile) {
  switch (entry.StepTerm) {
    case SizeTerm::A:
      return profile.A + entry.StepConstant;
    case SizeTerm::B:
      return profile.B + entry.StepConstant;
    case SizeTerm::C:
      return profile.C + entry.StepConstant;
    case SizeTerm::None:
      break;
  }
  return entry.StepConstant;
}

// The value of a size term for the job's size profile (0 for None).
constexpr int32_t TermValue(SizeTerm term, const SizeProfile& profile) {
  switch (term) {
    case SizeTerm::A:
      return profile.A;
    case SizeTerm::B:
      return profile.B;
    case SizeTerm::C:
      return profile.C;
    case SizeTerm::None:
      break;
  }
  return 0;
}

}  // namespace tavrinole
