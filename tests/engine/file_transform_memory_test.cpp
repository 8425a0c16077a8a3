// What a transform costs besides the mixing: the chunk buffers follow the file's size
// and serve the next files too, and a file of one chunk is written without a second
// thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "engine/file_transform.h"
#include "engine/password.h"
#include "engine/reference_model.h"
#include "tests/support/heap_counter.h"
#include "tests/support/reference_mixed.h"
#include "tests/support/temp_folder.h"

namespace tavrinole {
namespace {

using test_support::Bytes;
using test_support::RandomBytes;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

const std::vector<int32_t> kPresses{5, 1, 22, 38, 40, 46, 5};

// The threads of this process now; 0 where the system does not say.
int Threads() {
#ifdef _WIN32
  return 0;  // under Wine the count would include Wine's own threads, which come and go
#else
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::atoi(line.c_str() + 8);
  }
  return 0;
#endif
}

struct Outcome {
  size_t AllocatedBytes = 0;
  size_t LargestBlock = 0;
  int MostThreads = 0;  // seen while chunks were handed over
};

class TransformCost : public ::testing::Test {
 protected:
  // A sanitizer starts a thread of its own beside the first one made: made here, before
  // any count.
  TransformCost() {
    std::thread([] {}).join();
  }

  TempFolder folder;
  ReferenceMixer mixer;  // its model is allocated here, before counting starts
  FileTransform transform{NativeFileSystem(), mixer};

  // Streams `original` from "in" into "out", checks the result and says what it took.
  Outcome Run(const Bytes& original) {
    WriteBytes(folder / "in", original);
    const TransformResult<uint64_t> size = transform.Measure(folder.Wide("in"));
    EXPECT_TRUE(size);
    Outcome outcome;
    TransformHooks hooks;
    hooks.MayReplace = true;  // each run replaces the last one's output
    hooks.Progress = [&](uint64_t, uint64_t) {
      outcome.MostThreads = std::max(outcome.MostThreads, Threads());
    };
    const Path in = folder.Wide("in");
    const Path out = folder.Wide("out");
    const PasswordSlots slots = SlotsFromPresses(kPresses);
    test_support::heap::Bytes = 0;
    test_support::heap::LargestBlock = 0;
    const TransformResult<> streamed = transform.Stream(in, size.Value(), out, slots, hooks);
    outcome.AllocatedBytes = test_support::heap::Bytes;
    outcome.LargestBlock = test_support::heap::LargestBlock;
    EXPECT_TRUE(streamed);
    EXPECT_EQ(ReadBytes(folder / "out"), test_support::ReferenceMixed(original, kPresses));
    return outcome;
  }
};

TEST_F(TransformCost, ASmallFileTakesBuffersOfItsOwnSizeAndNoWriterThread) {
  const int before = Threads();
  const Outcome small = Run(RandomBytes(4096, 1));
  EXPECT_LT(small.LargestBlock, size_t{16384});
  EXPECT_LT(small.AllocatedBytes, size_t{65536});
  if (before > 0) {
    EXPECT_EQ(small.MostThreads, before);
  }

  // Exactly one chunk: still one buffer, no thread.
  const Outcome oneChunk = Run(RandomBytes(ChunkBytes, 2));
  EXPECT_LT(oneChunk.AllocatedBytes, ChunkBytes + 65536);
  if (before > 0) {
    EXPECT_EQ(oneChunk.MostThreads, before);
  }
}

TEST_F(TransformCost, ALargerFileOverlapsWithAWriterAndKeepsItsBuffersBounded) {
  const int before = Threads();
  const Outcome large = Run(RandomBytes(5 * ChunkBytes + 1, 3));
  EXPECT_EQ(large.LargestBlock, ChunkBytes);
  EXPECT_LT(large.AllocatedBytes, 3 * ChunkBytes + 65536);
  if (before > 0) {
    EXPECT_EQ(large.MostThreads, before + 1);
  }
}

TEST_F(TransformCost, TheNextFilesReuseTheBuffers) {
  (void)Run(RandomBytes(3 * ChunkBytes, 4));
  // Many files in a row allocate their buffers once: memory mapped fresh for each file
  // would have every page of it faulted in again.
  const Outcome again = Run(RandomBytes(3 * ChunkBytes + 5, 5));
  EXPECT_LT(again.AllocatedBytes, size_t{65536});
  const Outcome smaller = Run(RandomBytes(ChunkBytes / 2, 6));
  EXPECT_LT(smaller.AllocatedBytes, size_t{65536});
}

}  // namespace
}  // namespace tavrinole
