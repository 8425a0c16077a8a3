// One fuzz input, decoded into a job and mixed by both keystream engines. Shared by the
// libFuzzer target and the test that replays the seed corpus.
//
// Input layout, every field optional (missing bytes read as 0):
//   [0..4)   file size, little-endian: any value, so every profile row, base pattern
//            band and the sizes read as negative are reached
//   [4]      bit 0: password as 40 raw slot bytes (values out of range, repeated
//            entries) instead of keypad presses; bits 1-2: the fast engine's layout
//   [5..45)  password: raw, a KeyIndex byte and an occurrence byte per position 0..19;
//            pressed, a count byte (mod 21) and one KeyIndex byte per press
//   [45]     leading blocks of zeros (mod 4) before the data
//   [46..)   data: the file's bytes after the zero blocks
// As much of the file as the input holds is mixed, the whole file when it all fits.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavrinole {

// Empty when both engines give the same bytes, otherwise what differs.
[[nodiscard]] std::string EnginesDisagree(std::span<const uint8_t> input);

}  // namespace tavrinole
