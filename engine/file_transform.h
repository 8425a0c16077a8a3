// Streams one file through the keystream into a new document. Shared by the dialog's
// job and the command-line tool. The new document is written to a temporary file
// beside the target and moved over the target only when every byte is written and
// closed (and, when it replaces a document, flushed to the disk), so a failure, a
// cancel or a kill leaves no partial output and an existing target untouched.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/file_system.h"
#include "engine/keystream_types.h"

namespace tavrinole {

inline constexpr uint64_t SmallestInput = 4;
inline constexpr uint64_t LargestInput = 0xFFFFFFFFull;  // sizes travel as 32 bits

// Bytes read, mixed and written per pass: whole blocks, so the engine sees the blocks
// of the file; about 1 MB keeps memory small and system calls few.
inline constexpr size_t ChunkBlocks = 16;
inline constexpr size_t ChunkBytes = ChunkBlocks * BlockBytes;

// The step at which a transform stopped. Callers turn it into their own message.
enum class TransformStep {
  OpenInput,     // the input cannot be opened to measure it
  MeasureInput,  // its size cannot be read
  TooSmall,      // fewer than SmallestInput bytes
  TooBig,        // more than LargestInput bytes
  SameFile,      // the output is the input itself
  ReopenInput,   // the input cannot be opened again to read it
  InputChanged,  // it shrank or grew after it was measured
  CreateOutput,  // the temporary file cannot be created
  ReopenOutput,  // ... or opened again for reading and writing
  Read,
  Write,
  Finish,   // flushing or closing failed
  Replace,  // the finished file cannot be moved into place
  Cancelled,
};

struct TransformFailure {
  TransformStep Step;
  std::string Cause;  // the system's reason, when there is one
};

using TransformStatus = std::optional<TransformFailure>;  // nullopt: success

struct TransformHooks {
  // Called after each chunk is read and mixed, with the bytes done so far.
  std::function<void(uint64_t done, uint64_t total)> Progress;
  // Checked between chunks; set from another thread to stop the transform.
  const std::atomic<bool>* Cancel = nullptr;
};

class FileTransform {
 public:
  FileTransform(FileSystem& files, KeystreamMixer& mixer) : files_(files), mixer_(mixer) {}

  // Opens the input, measures it and closes it again. Refuses sizes outside
  // SmallestInput .. LargestInput.
  [[nodiscard]] TransformStatus Measure(const Path& input, uint64_t& size);

  // Mixes the measured input into output with this password.
  [[nodiscard]] TransformStatus Stream(const Path& input, uint64_t size, const Path& output,
                                       const PasswordSlots& slots,
                                       const TransformHooks& hooks = {});

  // Where the temporary file of an output goes: the output's own folder.
  static Path TemporaryNameFor(const Path& output);

 private:
  // Reads, mixes and writes every chunk; with `flush`, waits until the output is on the
  // disk before closing it.
  TransformStatus Copy(File& in, File& out, uint64_t size, bool flush, const TransformHooks& hooks);

  FileSystem& files_;
  KeystreamMixer& mixer_;
};

}  // namespace tavrinole
