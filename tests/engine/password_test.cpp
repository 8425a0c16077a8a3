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
  ASSERT_TRUE(keys.Ok()) << keys.Error().What;
  ASSERT_EQ(keys->size(), 52u);
  for (int32_t i = 0; i < 52; ++i) EXPECT_EQ((*keys)[i], i + 1);

  EXPECT_EQ(KeyIndicesFromUtf8("\xC2\xA3 x").Value(), (std::vector<int32_t>{38, 40, 46}));
}

TEST(KeyIndicesFromUtf8, OtherCharactersAreRefusedByName) {
  struct Case {
    const char* text;
    const char* mentions;
  };
  const Case cases[] = {
      {"abc", "'a'"},  // lower case, but for x
      {"AB*D", "character 3, '*'"},
      {"AB\xC3\xA9", "U+00E9"},     // e with acute
      {"A\xE2\x82\xAC", "U+20AC"},  // euro sign
      {"A\tB", "character 2, U+0009,"},
      {"A\xC2\x9B", "character 2, U+009B,"},      // a terminal's escape, never shown
      {"A\xE2\x80\xAE", "character 2, U+202E,"},  // a direction override, never shown
      {"A\xC2", "not valid UTF-8"},               // cut short
      {"\xC0\xA3", "not valid UTF-8"},            // overlong
  };
  for (const Case& c : cases) {
    const auto keys = KeyIndicesFromUtf8(c.text);
    ASSERT_FALSE(keys.Ok()) << c.text;
    EXPECT_NE(keys.Error().What.find(c.mentions), std::string::npos) << keys.Error().What;
  }
}

}  // namespace
}  // namespace tavrinole
