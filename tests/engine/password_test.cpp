#include "engine/password.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/key_table.h"

namespace tavrinole {
namespace {

TEST(SlotsFromPresses, FillsPositionsFromOneWithOccurrencesPerKey) {
  const std::vector<int32_t> aaa{5, 5, 5};
  const PasswordSlots three = SlotsFromPresses(aaa);
  EXPECT_EQ(three[0], (PasswordSlot{0, 0}));
  EXPECT_EQ(three[1], (PasswordSlot{5, 1}));
  EXPECT_EQ(three[2], (PasswordSlot{5, 2}));
  EXPECT_EQ(three[3], (PasswordSlot{5, 3}));
  EXPECT_EQ(three[4], (PasswordSlot{0, 0}));

  const std::vector<int32_t> bnb{1, 2, 1};
  const PasswordSlots slots = SlotsFromPresses(bnb);
  EXPECT_EQ(slots[1], (PasswordSlot{1, 1}));
  EXPECT_EQ(slots[2], (PasswordSlot{2, 1}));
  EXPECT_EQ(slots[3], (PasswordSlot{1, 2}));
}

TEST(PasswordEntry, TwentyPressesAtMostAndResetStartsOver) {
  PasswordEntry entry;
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(entry.Press(7));
  const PasswordEntry full = entry;
  EXPECT_FALSE(entry.Press(8));
  EXPECT_EQ(entry.PasswordLength, 20);
  EXPECT_EQ(entry.Slots, full.Slots);
  EXPECT_EQ(entry.OccurrenceCounter, full.OccurrenceCounter);
  EXPECT_EQ(entry.Slots[20], (PasswordSlot{7, 20}));

  entry.Reset();
  EXPECT_TRUE(entry.Press(8));
  EXPECT_EQ(entry.Slots[1], (PasswordSlot{8, 1}));
  EXPECT_EQ(entry.Slots[2], (PasswordSlot{0, 0}));
  EXPECT_EQ(entry.OccurrenceCounter[7], 0);
}

TEST(KeyIndicesFromUtf8, EveryKeypadCharacterMapsToItsKey) {
  std::u32string all;
  for (const KeyEntry& key : KeyTable) all += static_cast<char32_t>(key.Caption);
  std::string utf8;
  for (char32_t c : all) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  const auto keys = KeyIndicesFromUtf8(utf8);
  ASSERT_TRUE(keys.Ok()) << keys.Error().Cause;
  ASSERT_EQ(keys->size(), 52u);
  for (int32_t i = 0; i < 52; ++i) EXPECT_EQ((*keys)[i], i + 1);

  EXPECT_EQ(KeyIndicesFromUtf8("\xC2\xA3 x").Value(), (std::vector<int32_t>{38, 40, 46}));
}

TEST(KeyIndicesFromUtf8, OtherCharactersAreRefusedByName) {
  struct Case {
    const char* text;
    KeyFault fault;
    const char* cause;
  };
  constexpr KeyFault NotOnTheKeypad = KeyFault::NotOnTheKeypad;
  const Case cases[] = {
      {"abc", NotOnTheKeypad, "character 1, 'a' (U+0061)"},  // lower case, but for x
      {"AB*D", NotOnTheKeypad, "character 3, '*' (U+002A)"},
      {"AB\xC3\xA9", NotOnTheKeypad, "character 3, '\xC3\xA9' (U+00E9)"},         // e with acute
      {"A\xE2\x82\xAC", NotOnTheKeypad, "character 2, '\xE2\x82\xAC' (U+20AC)"},  // euro sign
      {"A\tB", NotOnTheKeypad, "character 2, U+0009"},
      {"A\xC2\x9B", NotOnTheKeypad, "character 2, U+009B"},  // a terminal's escape, never shown
      {"A\xE2\x80\xAE", NotOnTheKeypad,
       "character 2, U+202E"},                         // a direction override, never shown
      {"A\xC2", KeyFault::NotUtf8, "character 2"},     // cut short
      {"\xC0\xA3", KeyFault::NotUtf8, "character 1"},  // overlong
  };
  for (const Case& c : cases) {
    const auto keys = KeyIndicesFromUtf8(c.text);
    ASSERT_FALSE(keys.Ok()) << c.text;
    EXPECT_EQ(keys.Error().What, c.fault) << c.text;
    EXPECT_EQ(keys.Error().Cause, c.cause);
  }
}

}  // namespace
}  // namespace tavrinole
