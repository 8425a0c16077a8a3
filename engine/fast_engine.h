// The keystream at memory speed, on packed bytes. It gives the reference model's bytes
// exactly; tests/engine/fast_engine_test.cpp and the fuzz target hold it to that.
//
// How it maps back to the reference model:
// - A password entry selected once flips, over the whole file, exactly the bits p with
//   p mod step = its register after AdjustRegisters (AdvanceRegister only carries that
//   stream from block to block). Over bytes such a pattern repeats every
//   step / gcd(step, 8) bytes, so it is laid out once per job as a byte tile.
// - Entries whose byte periods combine to a period of at most TilePeriodLimit share one
//   tile. A tile holds Period + ChunkBytes bytes from file byte 0 on, so the bytes of
//   any chunk are one contiguous window of it, starting at the chunk's file offset
//   modulo Period.
// - The base pattern restarts in every block: it is one BlockBytes mask per job, read
//   at the offset within the block.
// - Cells behind a short block's end are flipped by the reference model but never
//   written, so here they do not exist.
// - Slots that select one entry twice (the keypad never makes them) advance its
//   register twice per block; such entries are walked block by block with the
//   reference model's own AdvanceRegister, as it does.
// - Each block is mixed in chunks of ChunkBytes: every tile's window is XORed into the
//   chunk in a few passes while the chunk stays in the first-level cache.
// The layout's defaults were chosen with tavrinole-bench; see docs/performance.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <span>
#include <vector>

#include "engine/keystream_tables.h"
#include "engine/keystream_types.h"

namespace tavrinole {

struct FastLayout {
  uint32_t ChunkBytes = 8192;       // bytes mixed per pass over the tiles
  uint32_t TilePeriodLimit = 4096;  // largest combined period, in bytes, of a shared tile
};

// At most one pattern per mixed position, and each needs a tile of its own at worst.
inline constexpr size_t MaxTiles = MixedPositions;

// The bytes over which a flip pattern of this step repeats.
constexpr uint32_t BytePeriod(int32_t step) {
  return std::lcm(static_cast<uint32_t>(step), 8u) / 8;
}

// Which patterns share which tile. Largest periods first, each into the first tile
// whose combined period stays within the limit, or that it divides; a period above the
// limit starts a tile of its own.
struct TilePlan {
  std::array<uint32_t, MaxTiles> Period{};  // combined period of each tile
  std::array<uint8_t, MaxTiles> TileOf{};   // tile of each pattern, in the order given
  size_t Count = 0;

  // Bytes of all tiles for chunks of chunkBytes.
  size_t Bytes(uint32_t chunkBytes) const;
};
[[nodiscard]] TilePlan PlanTiles(std::span<const uint32_t> periods, uint32_t periodLimit);

// Toggles the packed bits start, start + step, ... below 8 * bytes.size(), most
// significant bit of each byte first, as FlipEvery toggles cells.
void FlipEveryPacked(std::span<uint8_t> bytes, int64_t start, int32_t step);

class FastMixer final : public KeystreamMixer {
 public:
  explicit FastMixer(FastLayout layout = {});

  // Lays out this job's tiles; the only place that may allocate.
  void Prepare(uint32_t fileSize, const PasswordSlots& slots) override;
  void MixBlock(std::span<uint8_t> block) override;

  size_t TileCount() const { return tileCount_; }
  bool HasBaseMask() const { return hasBase_; }
  size_t WalkedCount() const { return walkedCount_; }
  size_t ArenaBytes() const { return arena_.capacity(); }

 private:
  struct Tile {
    size_t Offset;        // in arena_
    uint32_t Period;      // bytes
    uint32_t BlockPhase;  // offset in the tile of the current block's first byte
  };
  struct WalkedEntry {
    int32_t Register;
    int32_t Step;
    int32_t Times;  // selections per block
  };
  struct Pattern {
    int32_t Start;
    int32_t Step;
  };

  void LayOutTiles(std::span<const Pattern> patterns, size_t base);
  void LayOutBase(FlipPattern base);
  std::span<uint8_t> TileBytes(const Tile& tile);
  size_t Walked(const Tile& tile, size_t head) const;
  void MixChunk(std::span<uint8_t> chunk, uint32_t offset) const;
  void WalkEntries(std::span<uint8_t> block);

  FastLayout layout_;
  std::vector<uint8_t> arena_;  // base mask, then the tiles
  std::array<Tile, MaxTiles> tiles_{};
  size_t tileCount_ = 0;
  bool hasBase_ = false;
  std::array<WalkedEntry, MixedPositions> walked_{};
  size_t walkedCount_ = 0;
  // The job the arena is laid out for, and its walked entries before the first block.
  bool laidOut_ = false;
  uint32_t laidOutSize_ = 0;
  PasswordSlots laidOutSlots_{};
  std::array<WalkedEntry, MixedPositions> walkedAtStart_{};
};

}  // namespace tavrinole
