#include "engine/fast_engine.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>

#include "engine/reference_model.h"

namespace tavrinole {

namespace {

using SelectionCounts = std::array<std::array<int32_t, OccurrenceCount>, KeyCount>;

// How often the mixed positions select each MixerTable entry.
SelectionCounts CountSelections(const PasswordSlots& slots) {
  SelectionCounts times{};
  for (int position = 0; position < MixedPositions; ++position) {
    if (const std::optional<EntryIndex> entry = SelectedEntry(slots[position])) {
      ++times[entry->Row][entry->Column];
    }
  }
  return times;
}

// data ^= every source, in one pass; a fixed number of sources lets the compiler
// vectorise the loop.
template <typename... Sources>
void XorInto(uint8_t* data, size_t n, Sources... sources) {
  for (size_t i = 0; i < n; ++i) data[i] ^= static_cast<uint8_t>((sources[i] ^ ...));
}

// Four sources per pass: the chunk is read and written once per four tiles.
void XorSources(std::span<uint8_t> chunk, std::span<const uint8_t* const> s) {
  uint8_t* d = chunk.data();
  const size_t n = chunk.size();
  for (; s.size() >= 4; s = s.subspan(4)) XorInto(d, n, s[0], s[1], s[2], s[3]);
  switch (s.size()) {
    case 3:
      XorInto(d, n, s[0], s[1], s[2]);
      break;
    case 2:
      XorInto(d, n, s[0], s[1]);
      break;
    case 1:
      XorInto(d, n, s[0]);
      break;
    default:
      break;
  }
}

// Bytes from which on a pattern starting at bit start has started in every byte.
size_t HeadBytes(int32_t start) {
  return static_cast<size_t>(start) / 8 + 1;
}

// Extends bytes [0, from) periodically to the end; the first period must lie below from.
void RepeatPeriod(std::span<uint8_t> bytes, size_t period, size_t from) {
  for (size_t at = from; at < bytes.size(); at += period) {
    std::memcpy(&bytes[at], &bytes[at - period], std::min(period, bytes.size() - at));
  }
}

}  // namespace

size_t TilePlan::Bytes(uint32_t chunkBytes) const {
  size_t bytes = 0;
  for (size_t t = 0; t < Count; ++t) bytes += Period[t] + size_t{chunkBytes};
  return bytes;
}

TilePlan PlanTiles(std::span<const uint32_t> periods, uint32_t periodLimit) {
  assert(periods.size() <= MaxTiles);
  std::array<uint8_t, MaxTiles> order{};
  for (size_t i = 0; i < periods.size(); ++i) order[i] = static_cast<uint8_t>(i);
  std::stable_sort(order.begin(), order.begin() + periods.size(),
                   [&](uint8_t a, uint8_t b) { return periods[a] > periods[b]; });
  TilePlan plan;
  for (size_t i = 0; i < periods.size(); ++i) {
    const uint8_t pattern = order[i];
    const uint64_t p = periods[pattern];
    size_t t = 0;
    while (t < plan.Count &&
           std::lcm(uint64_t{plan.Period[t]}, p) > std::max(periodLimit, plan.Period[t]))
      ++t;
    if (t == plan.Count) plan.Period[plan.Count++] = 1;
    plan.Period[t] = static_cast<uint32_t>(std::lcm(uint64_t{plan.Period[t]}, p));
    plan.TileOf[pattern] = static_cast<uint8_t>(t);
  }
  return plan;
}

void FlipEveryPacked(std::span<uint8_t> bytes, int64_t start, int32_t step) {
  assert(start >= 0 && step >= 1);
  const int64_t end = static_cast<int64_t>(bytes.size()) * 8;
  for (int64_t bit = start; bit < end; bit += step) {
    bytes[static_cast<size_t>(bit >> 3)] ^= static_cast<uint8_t>(0x80u >> (bit & 7));
  }
}

FastMixer::FastMixer(FastLayout layout) : layout_(layout) {
  assert(layout.ChunkBytes >= 1 && layout.TilePeriodLimit >= 1);
}

void FastMixer::Prepare(uint32_t fileSize, const PasswordSlots& slots) {
  // Files of one size under one password share their tiles and mask (a folder of them
  // in one command lays them out once): only what mixing moves starts again.
  if (laidOut_ && fileSize == laidOutSize_ && slots == laidOutSlots_) {
    for (size_t t = 0; t < tileCount_; ++t) tiles_[t].BlockPhase = 0;
    walked_ = walkedAtStart_;
    return;
  }
  const int32_t size = SignedSize(fileSize);
  const SizeProfile profile = ProfileForSize(size);
  OffsetRegisters registers = InitialRegisters();
  AdjustRegisters(registers, profile);

  const SelectionCounts times = CountSelections(slots);
  std::array<Pattern, MixedPositions> patterns{};
  size_t patternCount = 0;
  walkedCount_ = 0;
  for (size_t k = 0; k < KeyCount; ++k) {
    for (size_t n = 0; n < OccurrenceCount; ++n) {
      if (times[k][n] == 0) continue;
      const int32_t step = StepOf(MixerTable[k][n], profile);
      if (times[k][n] == 1) {
        patterns[patternCount++] = {registers[k][n], step};
      } else {
        walked_[walkedCount_++] = {registers[k][n], step, times[k][n]};
      }
    }
  }

  const std::optional<FlipPattern> base = BasePatternForSize(size);
  hasBase_ = base.has_value();
  LayOutTiles(std::span(patterns).first(patternCount), hasBase_ ? BlockBytes : 0);
  if (base) LayOutBase(*base);
  walkedAtStart_ = walked_;
  laidOut_ = true;
  laidOutSize_ = fileSize;
  laidOutSlots_ = slots;
}

// Walking every bit of a tile would cost more than mixing a small file: each pattern
// is walked until all have started plus one period, and the rest is copied.
void FastMixer::LayOutBase(FlipPattern base) {
  const auto mask = std::span(arena_).first(BlockBytes);
  const size_t period = BytePeriod(base.Step);
  const size_t walked = std::min(mask.size(), HeadBytes(base.Start) + period);
  FlipEveryPacked(mask.first(walked), base.Start, base.Step);
  RepeatPeriod(mask, period, walked);
}

void FastMixer::LayOutTiles(std::span<const Pattern> patterns, size_t base) {
  std::array<uint32_t, MaxTiles> periods{};
  for (size_t i = 0; i < patterns.size(); ++i) periods[i] = BytePeriod(patterns[i].Step);
  const TilePlan plan =
      PlanTiles(std::span(periods).first(patterns.size()), layout_.TilePeriodLimit);

  arena_.assign(base + plan.Bytes(layout_.ChunkBytes), 0);
  size_t offset = base;
  for (size_t t = 0; t < plan.Count; ++t) {
    tiles_[t] = {offset, plan.Period[t], 0};
    offset += plan.Period[t] + size_t{layout_.ChunkBytes};
  }
  tileCount_ = plan.Count;

  size_t head = 0;
  for (const Pattern& pattern : patterns) head = std::max(head, HeadBytes(pattern.Start));
  for (size_t i = 0; i < patterns.size(); ++i) {
    const Tile& tile = tiles_[plan.TileOf[i]];
    FlipEveryPacked(TileBytes(tile).first(Walked(tile, head)), patterns[i].Start, patterns[i].Step);
  }
  for (size_t t = 0; t < tileCount_; ++t) {
    RepeatPeriod(TileBytes(tiles_[t]), tiles_[t].Period, Walked(tiles_[t], head));
  }
}

std::span<uint8_t> FastMixer::TileBytes(const Tile& tile) {
  return std::span(arena_).subspan(tile.Offset, tile.Period + size_t{layout_.ChunkBytes});
}

size_t FastMixer::Walked(const Tile& tile, size_t head) const {
  return std::min(tile.Period + size_t{layout_.ChunkBytes}, head + tile.Period);
}

void FastMixer::MixBlock(std::span<uint8_t> block) {
  assert(block.size() <= static_cast<size_t>(BlockBytes));
  for (size_t at = 0; at < block.size(); at += layout_.ChunkBytes) {
    const size_t n = std::min<size_t>(layout_.ChunkBytes, block.size() - at);
    MixChunk(block.subspan(at, n), static_cast<uint32_t>(at));
  }
  WalkEntries(block);
  // Registers move on by a whole block whatever the block's length; so do the tiles.
  for (size_t t = 0; t < tileCount_; ++t) {
    Tile& tile = tiles_[t];
    tile.BlockPhase = (tile.BlockPhase + BlockBytes % tile.Period) % tile.Period;
  }
}

void FastMixer::MixChunk(std::span<uint8_t> chunk, uint32_t offset) const {
  std::array<const uint8_t*, MaxTiles + 1> sources{};
  size_t count = 0;
  if (hasBase_) sources[count++] = arena_.data() + offset;
  for (size_t t = 0; t < tileCount_; ++t) {
    const Tile& tile = tiles_[t];
    sources[count++] = arena_.data() + tile.Offset + (tile.BlockPhase + offset) % tile.Period;
  }
  XorSources(chunk, std::span(sources).first(count));
}

void FastMixer::WalkEntries(std::span<uint8_t> block) {
  for (size_t w = 0; w < walkedCount_; ++w) {
    WalkedEntry& entry = walked_[w];
    for (int32_t time = 0; time < entry.Times; ++time) {
      FlipEveryPacked(block, entry.Register, entry.Step);
      AdvanceRegister(entry.Register, entry.Step);
    }
  }
}

}  // namespace tavrinole
