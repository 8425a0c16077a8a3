// Streams one file through the keystream into a new document. Shared by the dialog's
// job and the command-line tool. The new document goes through the publish protocol
// (engine/publish.h): no name reaches it until every byte is written, and it replaces a
// file only with consent. A failure, a cancel or a kill leaves no partial output and an
// existing target untouched; an input that changes while it is read publishes nothing.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/file_system.h"
#include "engine/keystream_types.h"
#include "engine/publish.h"
#include "engine/transform_step.h"

namespace tavrinole {

inline constexpr uint64_t SmallestInput = 4;
inline constexpr uint64_t LargestInput = 0xFFFFFFFFull;  // sizes travel as 32 bits

// Bytes read, mixed and written per pass: whole blocks, so the engine sees the blocks
// of the file; about 1 MB keeps memory small and system calls few.
inline constexpr size_t ChunkBlocks = 16;
inline constexpr size_t ChunkBytes = ChunkBlocks * BlockBytes;

struct TransformHooks {
  // Called after each chunk is read and mixed, with the bytes done so far.
  std::function<void(uint64_t done, uint64_t total)> Progress;
  // Checked between chunks; set from another thread to stop the transform.
  const std::atomic<bool>* Cancel = nullptr;
  // The user's consent to replace what is at the output's name (a file, or a link).
  // Without it, a file there, even one that appears during the run, ends it.
  bool MayReplace = false;
};

// A transform's chunk buffers, kept from one file to the next: given many files, fresh
// memory for each would have every page of it faulted in again, which costs more than
// the bytes' copies. Sized to the largest file so far, up to ChunkBytes.
struct ChunkBuffers {
  std::array<std::unique_ptr<uint8_t[]>, 3> Memory;
  size_t Bytes = 0;  // each one's size
};

class FileTransform {
 public:
  FileTransform(FileSystem& files, KeystreamMixer& mixer) : files_(files), mixer_(mixer) {}

  // Opens the input, measures it and closes it again. Refuses sizes outside
  // SmallestInput .. LargestInput.
  TransformResult<uint64_t> Measure(const Path& input);

  // Mixes the measured input into output with this password.
  TransformResult<> Stream(const Path& input, uint64_t size, const Path& output,
                           const PasswordSlots& slots, const TransformHooks& hooks = {});

 private:
  // Reads, mixes and writes every chunk; with `flush`, waits until the output is on the
  // disk.
  TransformResult<> Copy(File& in, File& out, uint64_t size, bool flush,
                         const TransformHooks& hooks);
  FileSystem& files_;
  KeystreamMixer& mixer_;
  ChunkBuffers buffers_;
};

}  // namespace tavrinole
