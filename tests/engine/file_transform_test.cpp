#include "engine/file_transform.h"

#include <gtest/gtest.h>

#include "engine/password.h"
#include "engine/reference_model.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/reference_mixed.h"
#include "tests/support/temp_folder.h"

namespace tavrinole {
namespace {

using test_support::Bytes;
using test_support::Faults;
using test_support::FaultyFileSystem;
using test_support::RandomBytes;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

const std::vector<int32_t> kPresses{5, 1, 22, 38, 40, 46, 5};

Bytes Expected(Bytes data) {
  return test_support::ReferenceMixed(std::move(data), kPresses);
}

class Transform : public ::testing::Test {
 protected:
  TempFolder folder;
  FaultyFileSystem files;
  ReferenceMixer mixer;
  FileTransform transform{files, mixer};

  // Measures and streams "in" into "out"; returns the failure, if any.
  TransformResult<> Run(const TransformHooks& hooks = {}) {
    const TransformResult<uint64_t> size = transform.Measure(folder.Wide("in"));
    if (!size) return size.Error();
    return transform.Stream(folder.Wide("in"), *size, folder.Wide("out"),
                            SlotsFromPresses(kPresses), hooks);
  }

  // Runs with a cancel that arrives as soon as the first chunk is written.
  TransformResult<> RunCancelledAfterFirstChunk() {
    std::atomic<bool> cancel{false};
    TransformHooks hooks;
    hooks.MayReplace = true;
    hooks.Cancel = &cancel;
    hooks.Progress = [&](uint64_t, uint64_t) { cancel = true; };
    return Run(hooks);
  }
};

TEST_F(Transform, WritesTheMixedBytesAtBlockBoundaries) {
  // 5 * ChunkBytes + 1 takes more chunks than the writer has buffers, so buffers come
  // round. One transform does every size, and keeps its buffers from one to the next:
  // the smaller files after it get larger buffers than they need, the last one those.
  for (size_t size :
       {size_t{4}, size_t{63999}, size_t{64000}, size_t{64001}, ChunkBytes, ChunkBytes + 1,
        size_t{1000000}, 5 * ChunkBytes + 1, size_t{70001}, 2 * ChunkBytes + 7}) {
    const Bytes original = RandomBytes(size, static_cast<uint32_t>(size));
    WriteBytes(folder / "in", original);
    TransformHooks consent;  // each size replaces the last one's output
    consent.MayReplace = true;
    ASSERT_TRUE(Run(consent)) << size;
    EXPECT_EQ(ReadBytes(folder / "out"), Expected(original)) << size;
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
  }
}

TEST_F(Transform, ReplacesALongerExistingOutputCompletely) {
  WriteBytes(folder / "out", Bytes(200000, 0xEE));
  const Bytes original = RandomBytes(1000, 1);
  WriteBytes(folder / "in", original);
  TransformHooks consent;
  consent.MayReplace = true;
  ASSERT_TRUE(Run(consent));
  EXPECT_EQ(ReadBytes(folder / "out"), Expected(original));
}

// Only a replaced document waits for the disk; the failure rows below show a failed
// flush stopping a replacement.
TEST_F(Transform, ANewOutputIsNotFlushedToTheDisk) {
  const Bytes original = RandomBytes(3000, 2);
  WriteBytes(folder / "in", original);
  files.Set().FailFlush = true;
  ASSERT_TRUE(Run());
  EXPECT_EQ(ReadBytes(folder / "out"), Expected(original));
}

// ... and so does one that replaces a file which appeared during the run: a flush that
// fails then keeps that file.
TEST_F(Transform, AFileThatAppearsDuringAReplacingRunWaitsForTheDisk) {
  WriteBytes(folder / "in", RandomBytes(2 * ChunkBytes, 3));
  files.Set().FailFlush = true;
  TransformHooks consent;
  consent.MayReplace = true;
  consent.Progress = [&](uint64_t done, uint64_t) {
    if (done == ChunkBytes) WriteBytes(folder / "out", Bytes(5, 5));
  };
  const TransformResult<> failed = Run(consent);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::Finish);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(5, 5));
}

TEST_F(Transform, RefusesInputsUnderFourBytesBeforeTouchingAnything) {
  for (size_t size = 0; size < 4; ++size) {
    WriteBytes(folder / "in", Bytes(size, 0x41));
    const TransformResult<uint64_t> failed = transform.Measure(folder.Wide("in"));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.Error().What, TransformStep::TooSmall);
    EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
  }
}

TEST_F(Transform, RefusesFourGibibytes) {
  std::filesystem::resize_file((WriteBytes(folder / "in", {}), folder / "in"), uint64_t{1} << 32);
  const TransformResult<uint64_t> failed = transform.Measure(folder.Wide("in"));
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::TooBig);
  std::filesystem::resize_file(folder / "in", (uint64_t{1} << 32) - 1);
  const TransformResult<uint64_t> largest = transform.Measure(folder.Wide("in"));
  ASSERT_TRUE(largest);
  EXPECT_EQ(*largest, LargestInput);
}

TEST_F(Transform, ReportsProgressUpToTheWholeSize) {
  WriteBytes(folder / "in", RandomBytes(3 * ChunkBytes + 10, 3));
  std::vector<uint64_t> seen;
  TransformHooks hooks;
  hooks.Progress = [&](uint64_t done, uint64_t total) {
    EXPECT_EQ(total, 3 * ChunkBytes + 10);
    seen.push_back(done);
  };
  ASSERT_TRUE(Run(hooks));
  EXPECT_EQ(seen, (std::vector<uint64_t>{ChunkBytes, 2 * ChunkBytes, 3 * ChunkBytes,
                                         3 * ChunkBytes + 10}));
}

// Each failure is reported at its step and leaves the folder as it was: the input
// untouched, an existing output untouched, no temporary file.
struct FailureCase {
  const char* name;
  void (*arrange)(Faults&);
  TransformStep step;
};

class TransformFailure : public Transform, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TransformFailure, LeavesEverythingAsItWas) {
  const Bytes original = RandomBytes(2 * ChunkBytes + 5, 9);
  const Bytes previous(777, 0x55);
  WriteBytes(folder / "in", original);
  WriteBytes(folder / "out", previous);
  GetParam().arrange(files.Set());
  files.Set().SameFileAs.emplace(folder.Wide("alias"), folder.Wide("in"));

  TransformHooks consent;
  consent.MayReplace = true;
  const TransformResult<> failed = Run(consent);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, GetParam().step);
  EXPECT_EQ(ReadBytes(folder / "in"), original);
  EXPECT_EQ(ReadBytes(folder / "out"), previous);
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

const FailureCase kFailures[] = {
    {"MeasureOpen", [](Faults& f) { f.FailOpenForReadingCall = 1; }, TransformStep::OpenInput},
    {"Reopen", [](Faults& f) { f.FailOpenForReadingCall = 2; }, TransformStep::ReopenInput},
    {"Create", [](Faults& f) { f.FailCreateNew = true; }, TransformStep::CreateOutput},
    {"RewindOutput", [](Faults& f) { f.FailRewind = true; }, TransformStep::RewindOutput},
    {"ReadError", [](Faults& f) { f.ReadErrorAfter = ChunkBytes; }, TransformStep::Read},
    {"DiskFull", [](Faults& f) { f.WriteErrorAfter = ChunkBytes + 3; }, TransformStep::Write},
    {"Flush", [](Faults& f) { f.FailFlush = true; }, TransformStep::Finish},
    {"Move", [](Faults& f) { f.FailReplace = true; }, TransformStep::Replace},
    {"ShrankWhileRead", [](Faults& f) { f.ContentChangeOnReopen = -1; },
     TransformStep::InputChanged},
    {"GrewWhileRead", [](Faults& f) { f.ContentChangeOnReopen = 1; }, TransformStep::InputChanged},
};

INSTANTIATE_TEST_SUITE_P(Each, TransformFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Transform, AnInputWhoseSizeChangedSinceMeasuringIsRefused) {
  const Bytes original = RandomBytes(100000, 4);
  WriteBytes(folder / "in", original);
  const TransformResult<uint64_t> size = transform.Measure(folder.Wide("in"));
  ASSERT_TRUE(size);
  // Measured one byte bigger than the handle that is read now says.
  TransformResult<> failed = transform.Stream(folder.Wide("in"), *size + 1, folder.Wide("out"),
                                              SlotsFromPresses(kPresses));
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::InputChanged);
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

TEST_F(Transform, RefusesAnOutputThatIsTheInputThroughAnotherName) {
  const Bytes original = RandomBytes(5000, 5);
  WriteBytes(folder / "in", original);
  std::filesystem::create_hard_link(folder / "in", folder / "link");
  std::set<std::string> names{"in", "link", "symlink"};
  std::error_code noSymlink;
  std::filesystem::create_symlink(folder / "in", folder / "symlink", noSymlink);
#ifdef _WIN32
  // Wine, and Windows without the privilege, cannot make symbolic links.
  if (noSymlink) names.erase("symlink");
#else
  ASSERT_FALSE(noSymlink) << noSymlink.message();
#endif
  for (const std::string& name : names) {
    const TransformResult<uint64_t> size = transform.Measure(folder.Wide("in"));
    ASSERT_TRUE(size);
    const TransformResult<> failed =
        transform.Stream(folder.Wide("in"), *size, folder.Wide(name), SlotsFromPresses(kPresses));
    ASSERT_FALSE(failed) << name;
    EXPECT_EQ(failed.Error().What, TransformStep::SameFile);
    EXPECT_EQ(ReadBytes(folder / "in"), original);
  }
  EXPECT_EQ(folder.Names(), names);
}

TEST_F(Transform, CancelStopsBetweenChunksAndRemovesTheTemporaryFile) {
  WriteBytes(folder / "in", RandomBytes(4 * ChunkBytes, 6));
  const TransformResult<> failed = RunCancelledAfterFirstChunk();
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::Cancelled);
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

TEST_F(Transform, ACancelDuringTheLastPassStillLeavesNothing) {
  WriteBytes(folder / "in", RandomBytes(1000, 7));
  WriteBytes(folder / "out", Bytes(3, 3));
  const TransformResult<> failed = RunCancelledAfterFirstChunk();
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::Cancelled);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(3, 3));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

// The document is closed only once it has its name. A close that fails then (a network
// file system's late write error) is reported, and the new name is taken back.
TEST_F(Transform, AFailedCloseAfterPublishingLeavesNothing) {
  WriteBytes(folder / "in", RandomBytes(3000, 8));
  for (FileSystem* inner : {&NativeFileSystem(), &NativeFileSystemWithNamedTemporaries()}) {
    FaultyFileSystem failing({}, *inner);
    failing.Set().FailClose = true;
    FileTransform closing(failing, mixer);
    const TransformResult<> failed =
        closing.Stream(folder.Wide("in"), 3000, folder.Wide("out"), SlotsFromPresses(kPresses));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.Error().What, TransformStep::Finish);
    EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
  }
}

// Only the first open tells "not a file": an input that has turned into one since it was
// measured fails as any second open does.
TEST_F(Transform, AnInputThatIsNoLongerAFileFailsAtTheSecondOpen) {
  WriteBytes(folder / "in", RandomBytes(100, 5));
  const TransformResult<uint64_t> size = transform.Measure(folder.Wide("in"));
  ASSERT_TRUE(size);
  std::filesystem::remove(folder / "in");
  std::filesystem::create_directory(folder / "in");
  const TransformResult<> failed =
      transform.Stream(folder.Wide("in"), *size, folder.Wide("out"), SlotsFromPresses(kPresses));
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::ReopenInput);
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

}  // namespace
}  // namespace tavrinole
