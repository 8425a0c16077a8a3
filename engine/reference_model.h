// The keystream as a block machine, cell by cell. This model favours clarity over
// speed: one 32-bit cell per bit of a 64000-byte block holding the character '0' or
// '1', every flip pattern walked to the end of the block whatever the block's real
// length, and registers carried from block to block. It is the oracle that the fast
// engine is held to; keep it literal.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/key_table.h"
#include "engine/keystream_tables.h"
#include "engine/keystream_types.h"

namespace tavrinole {

inline constexpr int32_t CellZero = '0';
inline constexpr int32_t CellOne = '1';

// One OffsetRegister per MixerTable entry: [KeyIndex - 1][occurrence - 1].
using OffsetRegisters = std::array<std::array<int32_t, OccurrenceCount>, KeyCount>;

// The registers as they stand at program start.
constexpr OffsetRegisters InitialRegisters() {
  OffsetRegisters registers{};
  for (size_t k = 0; k < MixerTable.size(); ++k) {
    for (size_t n = 0; n < OccurrenceCount; ++n) registers[k][n] = MixerTable[k][n].InitialValue;
  }
  return registers;
}

// Where a MixerTable entry sits: [KeyIndex - 1][occurrence - 1].
struct EntryIndex {
  size_t Row;
  size_t Column;
};

// The entry a password position selects: KeyIndex 1..52 and occurrence 1..5. An empty
// position, a sixth or later occurrence and anything out of range select nothing.
constexpr std::optional<EntryIndex> SelectedEntry(const PasswordSlot& slot) {
  const int32_t k = slot.KeyIndex, n = slot.Occurrence;
  if (k < 1 || k > KeyCount || n < 1 || n > OccurrenceCount) return std::nullopt;
  return EntryIndex{static_cast<size_t>(k - 1), static_cast<size_t>(n - 1)};
}

// Adds A, B or C to each register the MixerTable marks; once per job.
constexpr void AdjustRegisters(OffsetRegisters& registers, const SizeProfile& profile) {
  for (size_t k = 0; k < MixerTable.size(); ++k) {
    for (size_t n = 0; n < OccurrenceCount; ++n) {
      registers[k][n] += TermValue(MixerTable[k][n].Adjustment, profile);
    }
  }
}

// Carries a register on to the next block: the offset, in the next block, of the cell
// one step after the last cell flipped in this block. Only one subtraction, as the
// stored documents were made with it.
constexpr void AdvanceRegister(int32_t& reg, int32_t step) {
  const int32_t m = BlockCells % step;
  int32_t next = reg + step - m;
  if (next >= step) next -= step;
  reg = next;
}

// The size profile of a file: the last row whose threshold the signed size exceeds,
// starting from the given profile when no row matches.
constexpr SizeProfile ProfileForSize(int32_t size, SizeProfile start = {}) {
  SizeProfile profile = start;
  for (const ProfileRow& row : ProfileTable) {
    if (size > row.Threshold) profile = {row.A, row.B, row.C};
  }
  return profile;
}

// The base pattern of a file, if it has one: chosen by the truncating signed
// remainder of the size modulo 14 and the band the size lies in.
constexpr std::optional<FlipPattern> BasePatternForSize(int32_t size) {
  const int32_t r = size % 14;
  if (r < 1 || r > 13) return std::nullopt;
  const BasePatternRow& row = BasePatternTable[r - 1];
  if (size < row.L) return row.BelowL;
  if (size >= row.U) return row.FromU;
  return row.FromLBelowU;
}

// The engine state of one job. A value type of fixed arrays: the program owns one,
// tests make fresh ones (on the heap: it holds about 2 MB).
struct ReferenceModel {
  std::array<int32_t, BlockCells> BitBlock{};  // never cleared between blocks
  int32_t FillCount = 0;
  int32_t PackCount = 0;
  SizeProfile Profile{};
  OffsetRegisters OffsetRegister = InitialRegisters();

  // Writes the 8 bits of value's low byte into cells FillCount.., most significant first.
  void ExpandByte(int32_t value);
  // Forms count bytes from cells 0.. and writes them to sink[0..count).
  void PackBlock(int32_t count, std::span<uint8_t> sink);
  // Toggles cells start, start + step, ... below BlockCells.
  void FlipEvery(int32_t start, int32_t step);
  void ChooseSizeProfile(int32_t size);
  void ApplyBasePattern(int32_t size);
  // Adds A, B or C to each register the MixerTable marks; once per job.
  void AdjustRegisters();
  void ApplyKey(int32_t size, const PasswordSlots& slots);
  void MixSlot(int position, const PasswordSlots& slots);
};

// The reference model behind the job's engine interface.
class ReferenceMixer final : public KeystreamMixer {
 public:
  ReferenceMixer();
  void Prepare(uint32_t fileSize, const PasswordSlots& slots) override;
  void MixBlock(std::span<uint8_t> block) override;

  const ReferenceModel& Model() const { return *model_; }

 private:
  std::unique_ptr<ReferenceModel> model_;
  uint32_t fileSize_ = 0;
  PasswordSlots slots_{};
};

}  // namespace tavrinole
