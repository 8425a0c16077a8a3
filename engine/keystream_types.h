// Types shared by the keypad, both keystream engines and the job.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tavrinole {

inline constexpr int32_t BlockBytes = 64000;           // bytes of the file per block
inline constexpr int32_t BlockCells = 8 * BlockBytes;  // one cell per bit of a block
inline constexpr int OccurrenceCount = 5;              // occurrences of a key that select a pattern
inline constexpr int PasswordPositions = 21;           // PasswordSlots positions 0..20
inline constexpr int MixedPositions = 20;              // the mixing reads positions 0..19
inline constexpr int MaxPasswordLength = 20;
inline constexpr int MinPasswordLength = 5;
inline constexpr int KeyCount = 52;  // keypad characters, KeyIndex 1..52

// One password position: a KeyIndex (0 = empty) and its occurrence number (0 when empty).
struct PasswordSlot {
  int32_t KeyIndex = 0;
  int32_t Occurrence = 0;
  friend bool operator==(const PasswordSlot&, const PasswordSlot&) = default;
};

// Position n holds the n-th typed character; position 0 is never filled.
using PasswordSlots = std::array<PasswordSlot, PasswordPositions>;

// One press count per KeyIndex; index 0 is unused so that KeyIndex k counts at [k].
using OccurrenceCounters = std::array<int32_t, KeyCount + 1>;

struct SizeProfile {
  int32_t A = 0;
  int32_t B = 0;
  int32_t C = 0;
  friend bool operator==(const SizeProfile&, const SizeProfile&) = default;
};

// The profile and the base pattern read the unsigned file size as signed: files of
// 2 GiB to 4 GiB - 1 are negative there.
constexpr int32_t SignedSize(uint32_t fileSize) {
  return static_cast<int32_t>(fileSize);
}

// What the job needs of a keystream engine. Both engines give the same bytes.
class KeystreamMixer {
 public:
  virtual ~KeystreamMixer() = default;

  // Starts a job for a file of fileSize bytes with this password: chooses the size
  // profile and sets every register to its start value for that size.
  virtual void Prepare(uint32_t fileSize, const PasswordSlots& slots) = 0;

  // Mixes the next block of the file in place. Every block holds BlockBytes bytes but
  // the last, which holds fileSize mod BlockBytes (possibly none).
  virtual void MixBlock(std::span<uint8_t> block) = 0;
};

// Mixes the first data.size() bytes of a file of fileSize bytes: prepares the mixer for
// that size, then feeds it block after block. When data is the whole file it ends with
// the remainder, an empty one when the size is a multiple of BlockBytes, as the job does.
inline void MixFileStart(KeystreamMixer& mixer, uint32_t fileSize, std::span<uint8_t> data,
                         const PasswordSlots& slots) {
  mixer.Prepare(fileSize, slots);
  size_t at = 0;
  for (; data.size() - at >= static_cast<size_t>(BlockBytes); at += BlockBytes) {
    mixer.MixBlock(data.subspan(at, BlockBytes));
  }
  if (at < data.size() || data.size() == fileSize) mixer.MixBlock(data.subspan(at));
}

// Mixes a whole file held in memory.
inline void MixBuffer(KeystreamMixer& mixer, std::span<uint8_t> file, const PasswordSlots& slots) {
  MixFileStart(mixer, static_cast<uint32_t>(file.size()), file, slots);
}

}  // namespace tavrinole
