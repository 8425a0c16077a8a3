// The password as the mixing reads it: KeyIndex presses turned into PasswordSlots the
// way the keypad fills them, and typed text turned into KeyIndex presses.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/keystream_types.h"
#include "engine/result.h"

namespace tavrinole {

// The keypad's password state: the n-th accepted press goes to position n (1..20),
// position 0 stays empty, and each key counts its own occurrences since the reset.
struct PasswordEntry {
  int32_t PasswordLength = 0;
  PasswordSlots Slots{};
  OccurrenceCounters OccurrenceCounter{};

  // Records one press of KeyIndex 1..52. Returns false, changing nothing, once the
  // password already holds MaxPasswordLength characters.
  bool Press(int32_t keyIndex);
  void Reset() { *this = PasswordEntry{}; }
};

// The slots of a sequence of presses; presses after the 20th are ignored.
PasswordSlots SlotsFromPresses(std::span<const int32_t> keyIndices);

// Why text is not a password the keypad could type. The failure's Cause names the
// character: its position, and the character itself where it can be shown.
enum class KeyFault {
  NotUtf8,         // "character 3"
  NotOnTheKeypad,  // "character 3, 'q' (U+0071)"
};

// The KeyIndex of each character of UTF-8 text, one per character, in order. Only the 52 keypad
// characters are accepted ("£" is U+00A3, "x" is lower case, " " is a key).
Result<std::vector<int32_t>, KeyFault> KeyIndicesFromUtf8(std::string_view text);

}  // namespace tavrinole
