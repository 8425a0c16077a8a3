// The keypad's layout in the main dialog: each key's button (its control id) and its
// place, row 1..4 from the top and column 1..13 from the left. What a key types is the
// keystream's business (engine/key_table.h); the KeyIndex joins the two. The KeyIndex
// order is not the screen order: indices 1..26 run over the letters in the order of
// their control ids, digits and signs follow.
#pragma once

#include <array>
#include <cstdint>

#include "resources/resource_ids.h"

namespace tavrinole::resources {

inline constexpr int KeypadKeys = 52;
inline constexpr int KeypadRows = 4;
inline constexpr int KeypadColumns = 13;

struct KeyPlace {
  int32_t KeyIndex;   // 1..52
  int32_t ControlId;  // the button, and the id of its WM_COMMAND
  int32_t Row;
  int32_t Column;
};

// clang-format off
inline constexpr std::array<KeyPlace, KeypadKeys> KeypadLayout = {{
  // KeyIndex Button            Row Col
  {  1, ids::KeyB,           1,  2 },
  {  2, ids::KeyN,           2,  1 },
  {  3, ids::KeyC,           1,  3 },
  {  4, ids::KeyP,           2,  3 },
  {  5, ids::KeyA,           1,  1 },
  {  6, ids::KeyQ,           2,  4 },
  {  7, ids::KeyD,           1,  4 },
  {  8, ids::KeyE,           1,  5 },
  {  9, ids::KeyF,           1,  6 },
  { 10, ids::KeyG,           1,  7 },
  { 11, ids::KeyI,           1,  9 },
  { 12, ids::KeyJ,           1, 10 },
  { 13, ids::KeyO,           2,  2 },
  { 14, ids::KeyS,           2,  6 },
  { 15, ids::KeyR,           2,  5 },
  { 16, ids::KeyH,           1,  8 },
  { 17, ids::KeyT,           2,  7 },
  { 18, ids::KeyU,           2,  8 },
  { 19, ids::KeyV,           2,  9 },
  { 20, ids::KeyW,           2, 10 },
  { 21, ids::KeyK,           1, 11 },
  { 22, ids::KeyX,           2, 11 },
  { 23, ids::KeyL,           1, 12 },
  { 24, ids::KeyY,           2, 12 },
  { 25, ids::KeyM,           1, 13 },
  { 26, ids::KeyZ,           2, 13 },
  { 27, ids::Key1,           3,  1 },
  { 28, ids::Key2,           3,  2 },
  { 29, ids::Key3,           3,  3 },
  { 30, ids::Key4,           3,  4 },
  { 31, ids::Key5,           3,  5 },
  { 32, ids::Key6,           3,  6 },
  { 33, ids::Key7,           3,  7 },
  { 34, ids::Key8,           3,  8 },
  { 35, ids::Key9,           3,  9 },
  { 36, ids::Key0,           3, 10 },
  { 37, ids::KeyAt,          3, 11 },
  { 38, ids::KeyPound,       3, 12 },
  { 39, ids::KeyDollar,      3, 13 },
  { 40, ids::KeySpace,       4,  1 },
  { 41, ids::KeyEquals,      4,  2 },
  { 42, ids::KeyLess,        4,  3 },
  { 43, ids::KeyGreater,     4,  4 },
  { 44, ids::KeyPlus,        4,  5 },
  { 45, ids::KeyMinus,       4,  6 },
  { 46, ids::KeyTimes,       4,  7 },
  { 47, ids::KeySlash,       4,  8 },
  { 48, ids::KeyPercent,     4,  9 },
  { 49, ids::KeyExclamation, 4, 10 },
  { 50, ids::KeyQuestion,    4, 11 },
  { 51, ids::KeyOpenParen,   4, 12 },
  { 52, ids::KeyCloseParen,  4, 13 },
}};
// clang-format on

// The place of a KeyIndex 1..52.
constexpr const KeyPlace& KeyPlaceByIndex(int32_t keyIndex) {
  return KeypadLayout[keyIndex - 1];
}

// The key whose button has this control id; null for any other control.
constexpr const KeyPlace* KeyPlaceByControlId(int32_t controlId) {
  for (const KeyPlace& key : KeypadLayout) {
    if (key.ControlId == controlId) return &key;
  }
  return nullptr;
}

}  // namespace tavrinole::resources
