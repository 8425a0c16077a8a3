#include "fuzz/engines_agree.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/fast_engine.h"
#include "engine/password.h"
#include "engine/reference_model.h"

namespace tavrinole {

namespace {

constexpr size_t PasswordBytes = 40;
constexpr size_t DataAt = 46;

// The layouts that reach every path of the fast engine.
constexpr std::array<FastLayout, 4> Layouts = {{{}, {7, 1}, {1000, 64}, {64000, 1u << 20}}};

uint8_t At(std::span<const uint8_t> input, size_t i) {
  return i < input.size() ? input[i] : 0;
}

PasswordSlots RawSlots(std::span<const uint8_t> input, size_t from) {
  PasswordSlots slots{};
  for (int position = 0; position < MixedPositions; ++position) {
    slots[position] = {At(input, from + 2 * position) % 56, At(input, from + 2 * position + 1) % 8};
  }
  return slots;
}

PasswordSlots PressedSlots(std::span<const uint8_t> input, size_t from) {
  std::vector<int32_t> presses(At(input, from) % (MaxPasswordLength + 1));
  for (size_t i = 0; i < presses.size(); ++i) presses[i] = 1 + At(input, from + 1 + i) % KeyCount;
  return SlotsFromPresses(presses);
}

std::string Describe(uint32_t fileSize, size_t at, uint8_t expected, uint8_t actual) {
  return "file of " + std::to_string(fileSize) + " bytes: byte " + std::to_string(at) + " is " +
         std::to_string(actual) + ", the reference model gives " + std::to_string(expected);
}

}  // namespace

std::string EnginesDisagree(std::span<const uint8_t> input) {
  const uint32_t fileSize = At(input, 0) | At(input, 1) << 8 | At(input, 2) << 16 |
                            static_cast<uint32_t>(At(input, 3)) << 24;
  const uint8_t flags = At(input, 4);
  const PasswordSlots slots = (flags & 1) ? RawSlots(input, 5) : PressedSlots(input, 5);
  const FastLayout layout = Layouts[(flags >> 1) % Layouts.size()];

  const size_t zeroBytes = size_t{At(input, 5 + PasswordBytes)} % 4 * BlockBytes;
  const auto data = input.size() > DataAt ? input.subspan(DataAt) : std::span<const uint8_t>();
  std::vector<uint8_t> file(zeroBytes);
  file.insert(file.end(), data.begin(), data.end());
  file.resize(std::min<size_t>(file.size(), fileSize));

  std::vector<uint8_t> expected = file, actual = file;
  ReferenceMixer reference;
  FastMixer fast(layout);
  MixFileStart(reference, fileSize, expected, slots);
  MixFileStart(fast, fileSize, actual, slots);
  const auto diff = std::mismatch(expected.begin(), expected.end(), actual.begin());
  if (diff.first == expected.end()) return {};
  return Describe(fileSize, static_cast<size_t>(diff.first - expected.begin()), *diff.first,
                  *diff.second);
}

}  // namespace tavrinole
