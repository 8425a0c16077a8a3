// The 52 keypad characters: what each key means to the keystream. Every row is fixed;
// a stored document depends on the KeyIndex alone. Where each key stands on the keypad,
// and its control id, is the keypad's layout (resources/keypad_layout.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "engine/keystream_types.h"

namespace tavrinole {

struct KeyEntry {
  int32_t KeyIndex;       // 1..52
  char16_t Caption;       // the button's one character
  int32_t CharacterCode;  // the byte a press passes on (163 for the pound sign)
};

// clang-format off
inline constexpr std::array<KeyEntry, KeyCount> KeyTable = {{
  // KeyIndex Caption  Code
  {  1, u'B',      66 },
  {  2, u'N',      78 },
  {  3, u'C',      67 },
  {  4, u'P',      80 },
  {  5, u'A',      65 },
  {  6, u'Q',      81 },
  {  7, u'D',      68 },
  {  8, u'E',      69 },
  {  9, u'F',      70 },
  { 10, u'G',      71 },
  { 11, u'I',      73 },
  { 12, u'J',      74 },
  { 13, u'O',      79 },
  { 14, u'S',      83 },
  { 15, u'R',      82 },
  { 16, u'H',      72 },
  { 17, u'T',      84 },
  { 18, u'U',      85 },
  { 19, u'V',      86 },
  { 20, u'W',      87 },
  { 21, u'K',      75 },
  { 22, u'X',      88 },
  { 23, u'L',      76 },
  { 24, u'Y',      89 },
  { 25, u'M',      77 },
  { 26, u'Z',      90 },
  { 27, u'1',      49 },
  { 28, u'2',      50 },
  { 29, u'3',      51 },
  { 30, u'4',      52 },
  { 31, u'5',      53 },
  { 32, u'6',      54 },
  { 33, u'7',      55 },
  { 34, u'8',      56 },
  { 35, u'9',      57 },
  { 36, u'0',      48 },
  { 37, u'@',      64 },
  { 38, u'\u00A3', 163 },
  { 39, u'$',      36 },
  { 40, u' ',      32 },
  { 41, u'=',      61 },
  { 42, u'<',      60 },
  { 43, u'>',      62 },
  { 44, u'+',      43 },
  { 45, u'-',      45 },
  { 46, u'x',     120 },
  { 47, u'/',      47 },
  { 48, u'%',      37 },
  { 49, u'!',      33 },
  { 50, u'?',      63 },
  { 51, u'(',      40 },
  { 52, u')',      41 },
}};
// clang-format on

// The entry of a KeyIndex 1..52.
constexpr const KeyEntry& KeyByIndex(int32_t keyIndex) {
  return KeyTable[keyIndex - 1];
}

// The key that types this character (exact case: "x" is a key, "X" another).
constexpr std::optional<KeyEntry> KeyByCharacter(char32_t character) {
  for (const KeyEntry& key : KeyTable) {
    if (static_cast<char32_t>(key.Caption) == character) return key;
  }
  return std::nullopt;
}

}  // namespace tavrinole
