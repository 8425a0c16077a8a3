// The 52 keypad characters. The KeyIndex order is not the screen order: indices
// 1..26 run over the letters in the order of their control ids, digits and signs
// follow. Every row is fixed; a stored document depends on the KeyIndex alone.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavrinole {

inline constexpr int KeyCount = 52;

struct KeyEntry {
  int32_t KeyIndex;       // 1..52
  int32_t ControlId;      // button id in dialog 1001, and the id of its WM_COMMAND
  char16_t Caption;       // the button's one character
  int32_t CharacterCode;  // the byte a press passes on (163 for the pound sign)
  int32_t Row;            // screen row 1..4, from the top
  int32_t Column;         // screen column 1..13, from the left
};

// clang-format off
inline constexpr std::array<KeyEntry, KeyCount> KeyTable = {{
  // KeyIndex  Id   Caption  Code  Row Col
  {  1, 4011, u'B',     66, 1,  2 },
  {  2, 4012, u'N',     78, 2,  1 },
  {  3, 4013, u'C',     67, 1,  3 },
  {  4, 4014, u'P',     80, 2,  3 },
  {  5, 4015, u'A',     65, 1,  1 },
  {  6, 4016, u'Q',     81, 2,  4 },
  {  7, 4017, u'D',     68, 1,  4 },
  {  8, 4018, u'E',     69, 1,  5 },
  {  9, 4019, u'F',     70, 1,  6 },
  { 10, 4020, u'G',     71, 1,  7 },
  { 11, 4021, u'I',     73, 1,  9 },
  { 12, 4022, u'J',     74, 1, 10 },
  { 13, 4023, u'O',     79, 2,  2 },
  { 14, 4024, u'S',     83, 2,  6 },
  { 15, 4025, u'R',     82, 2,  5 },
  { 16, 4026, u'H',     72, 1,  8 },
  { 17, 4027, u'T',     84, 2,  7 },
  { 18, 4028, u'U',     85, 2,  8 },
  { 19, 4029, u'V',     86, 2,  9 },
  { 20, 4030, u'W',     87, 2, 10 },
  { 21, 4031, u'K',     75, 1, 11 },
  { 22, 4032, u'X',     88, 2, 11 },
  { 23, 4033, u'L',     76, 1, 12 },
  { 24, 4034, u'Y',     89, 2, 12 },
  { 25, 4035, u'M',     77, 1, 13 },
  { 26, 4036, u'Z',     90, 2, 13 },
  { 27, 4038, u'1',     49, 3,  1 },
  { 28, 4039, u'2',     50, 3,  2 },
  { 29, 4040, u'3',     51, 3,  3 },
  { 30, 4041, u'4',     52, 3,  4 },
  { 31, 4042, u'5',     53, 3,  5 },
  { 32, 4043, u'6',     54, 3,  6 },
  { 33, 4044, u'7',     55, 3,  7 },
  { 34, 4045, u'8',     56, 3,  8 },
  { 35, 4046, u'9',     57, 3,  9 },
  { 36, 4047, u'0',     48, 3, 10 },
  { 37, 4048, u'@',     64, 3, 11 },
  { 38, 4049, u'\u00A3', 163, 3, 12 },
  { 39, 4050, u'$',     36, 3, 13 },
  { 40, 4009, u' ',     32, 4,  1 },
  { 41, 4051, u'=',     61, 4,  2 },
  { 42, 4052, u'<',     60, 4,  3 },
  { 43, 4053, u'>',     62, 4,  4 },
  { 44, 4054, u'+',     43, 4,  5 },
  { 45, 4055, u'-',     45, 4,  6 },
  { 46, 4056, u'x',    120, 4,  7 },
  { 47, 4057, u'/',     47, 4,  8 },
  { 48, 4058, u'%',     37, 4,  9 },
  { 49, 4059, u'!',     33, 4, 10 },
  { 50, 4060, u'?',     63, 4, 11 },
  { 51, 4061, u'(',     40, 4, 12 },
  { 52, 4062, u')',     41, 4, 13 },
}};
// clang-format on

// The entry of a KeyIndex 1..52.
constexpr const KeyEntry& KeyByIndex(int32_t keyIndex) {
  return KeyTable[keyIndex - 1];
}

// The key whose button has this control id, if any.
constexpr std::optional<KeyEntry> KeyByControlId(int32_t controlId) {
  for (const KeyEntry& key : KeyTable) {
    if (key.ControlId == controlId) return key;
  }
  return std::nullopt;
}

// The key that types this character (exact case: "x" is a key, "X" another).
constexpr std::optional<KeyEntry> KeyByCharacter(char32_t character) {
  for (const KeyEntry& key : KeyTable) {
    if (static_cast<char32_t>(key.Caption) == character) return key;
  }
  return std::nullopt;
}

}  // namespace tavrinole
