// The transform against other processes and odd files: names swapped or taken while it
// runs, files that are not files, permissions, an input written in place. Each other
// process acts at the seam before publishing, so no test depends on timing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>

#include "engine/file_transform.h"
#include "engine/password.h"
#include "engine/reference_model.h"
#include "engine/utf.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/reference_mixed.h"
#include "tests/support/temp_folder.h"

namespace tavrinole {
namespace {

using test_support::Bytes;
using test_support::FaultyFileSystem;
using test_support::RandomBytes;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;
namespace fs = std::filesystem;

const std::vector<int32_t> kPresses{5, 1, 22, 38, 40, 46, 5};

Bytes Expected(Bytes data) {
  return test_support::ReferenceMixed(std::move(data), kPresses);
}

uint32_t ModeOf(const fs::path& path) {
  struct stat st;
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// The same cases on both ways of keeping a document nameless while it is written.
class Attacked : public ::testing::TestWithParam<bool> {
 protected:
  Attacked()
      : files({}, GetParam() ? NativeFileSystemWithNamedTemporaries() : NativeFileSystem()) {}

  TransformResult<> Run(bool mayReplace = false, const std::string& out = "out",
                        std::function<void(uint64_t)> progress = {}) {
    const TransformResult<uint64_t> size = transform.Measure(folder.Wide("in"));
    if (!size) return size.Error();
    TransformHooks hooks;
    hooks.MayReplace = mayReplace;
    if (progress) hooks.Progress = [&](uint64_t done, uint64_t) { progress(done); };
    return transform.Stream(folder.Wide("in"), *size, folder.Wide(out), SlotsFromPresses(kPresses),
                            hooks);
  }

  // Our hidden name in the folder, if the document has one.
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> names;
    for (const std::string& name : folder.Names()) {
      if (name.rfind(".tavrinole-", 0) == 0) names.push_back(name);
    }
    return names;
  }

  TempFolder folder;
  FaultyFileSystem files;
  ReferenceMixer mixer;
  FileTransform transform{files, mixer};
};

INSTANTIATE_TEST_SUITE_P(Documents, Attacked, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Named" : "Unnamed"; });

// --- Nothing reachable by name until complete -------------------------------------------

TEST_P(Attacked, WhileWrittenTheDocumentIsUnnamedOrPrivate) {
  WriteBytes(folder / "in", RandomBytes(3 * ChunkBytes, 1));
  std::vector<std::string> seen;
  files.Set().BeforePublish = [&] {
    seen = Temporaries();
    for (const std::string& name : seen) EXPECT_EQ(ModeOf(folder / name), 0600u);
  };
  ASSERT_TRUE(Run());
  EXPECT_EQ(seen.size(), GetParam() ? 1u : 0u);  // unnamed: nothing in the folder at all
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

// Another user swaps our hidden name for a link to a file they cannot write themselves.
TEST_P(Attacked, ASwappedTemporaryNameIsNeverMovedIntoPlace) {
  if (!GetParam()) GTEST_SKIP() << "an unnamed document has no name to swap";
  WriteBytes(folder / "in", RandomBytes(5000, 2));
  WriteBytes(folder / "secret", Bytes(100, 0x5E));
  std::string swapped;
  files.Set().BeforePublish = [&] {
    ASSERT_EQ(Temporaries().size(), 1u);
    swapped = Temporaries()[0];
    fs::rename(folder / swapped, folder / "moved-away");
    fs::create_symlink(folder / "secret", folder / swapped);
  };
  for (const bool mayReplace : {false, true}) {
    const TransformResult<> failed = Run(mayReplace);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.Error().What, TransformStep::Replace);
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "out")));
    EXPECT_EQ(ReadBytes(folder / "secret"), Bytes(100, 0x5E));
    EXPECT_TRUE(fs::is_symlink(folder / swapped));  // theirs: left as it is
    fs::remove(folder / swapped);
    fs::remove(folder / "moved-away");
  }
}

// --- Never replace without consent -------------------------------------------------------

TEST_P(Attacked, AFileThatAppearsAtTheNameDuringTheRunIsKept) {
  WriteBytes(folder / "in", RandomBytes(2 * ChunkBytes, 3));
  // Another run of the tool, or another program, gets there first.
  files.Set().BeforePublish = [&] { WriteBytes(folder / "out", Bytes(7, 7)); };
  const TransformResult<> failed = Run();
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::OutputExists);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(7, 7));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

TEST_P(Attacked, WithConsentAFileThatAppearsIsReplacedWhole) {
  const Bytes original = RandomBytes(2 * ChunkBytes, 4);
  WriteBytes(folder / "in", original);
  files.Set().BeforePublish = [&] { WriteBytes(folder / "out", Bytes(7, 7)); };
  ASSERT_TRUE(Run(true));
  EXPECT_EQ(ReadBytes(folder / "out"), Expected(original));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

TEST_P(Attacked, AnExistingNameIsRefusedBeforeAnythingIsWritten) {
  WriteBytes(folder / "in", RandomBytes(5000, 5));
  WriteBytes(folder / "out", Bytes(7, 7));
  bool wrote = false;
  files.Set().BeforePublish = [&] { wrote = true; };
  const TransformResult<> failed = Run();
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::OutputExists);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(7, 7));
}

// --- Only regular files -----------------------------------------------------------------

TEST_P(Attacked, LinksAtTheNameCountAsFilesAndOnlyTheLinkIsReplaced) {
  const Bytes original = RandomBytes(5000, 6);
  WriteBytes(folder / "in", original);
  WriteBytes(folder / "target", Bytes(9, 9));
  fs::create_symlink(folder / "target", folder / "to-file");
  fs::create_symlink(folder / "nowhere", folder / "dangling");
  fs::create_symlink(folder / "loop", folder / "loop");
  for (const char* name : {"to-file", "dangling", "loop"}) {
    const TransformResult<> refused = Run(false, name);
    ASSERT_FALSE(refused) << name;
    EXPECT_EQ(refused.Error().What, TransformStep::OutputExists) << name;
    EXPECT_TRUE(fs::is_symlink(folder / name));

    ASSERT_TRUE(Run(true, name)) << name;
    EXPECT_FALSE(fs::is_symlink(folder / name));
    EXPECT_EQ(ReadBytes(folder / name), Expected(original));
  }
  EXPECT_EQ(ReadBytes(folder / "target"), Bytes(9, 9));
  EXPECT_FALSE(fs::exists(folder / "nowhere"));
}

TEST_P(Attacked, WhatIsNotAFileAtTheNameIsNeverReplaced) {
  WriteBytes(folder / "in", RandomBytes(5000, 7));
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  fs::create_directory(folder / "folder");
  for (const char* name : {"fifo", "folder"}) {
    const TransformResult<> failed = Run(true, name);
    ASSERT_FALSE(failed) << name;
    EXPECT_EQ(failed.Error().What, TransformStep::OutputNotRegular) << name;
  }
  // One that turns up while the document is written.
  files.Set().BeforePublish = [&] { ::mkfifo((folder / "late").c_str(), 0600); };
  const TransformResult<> late = Run(true, "late");
  ASSERT_FALSE(late);
  EXPECT_EQ(late.Error().What, TransformStep::OutputNotRegular);
  EXPECT_TRUE(fs::is_fifo(folder / "fifo"));
  EXPECT_TRUE(fs::is_fifo(folder / "late"));
  EXPECT_TRUE(fs::is_directory(folder / "folder"));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "fifo", "folder", "late"}));
}

TEST_P(Attacked, InputsThatAreNotFilesAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);  // no writer: an open would block
  fs::create_directory(folder / "folder");
  const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);  // no open reaches a socket
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketName = (folder / "socket").string();
  ASSERT_LT(socketName.size(), sizeof address.sun_path);
  socketName.copy(address.sun_path, socketName.size());
  ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const auto start = std::chrono::steady_clock::now();
  for (const Path& input :
       {folder.Wide("fifo"), folder.Wide("folder"), folder.Wide("socket"), Path(u"/dev/null")}) {
    const TransformResult<uint64_t> failed = transform.Measure(input);
    ASSERT_FALSE(failed) << Utf16ToUtf8Lossy(input);
    EXPECT_EQ(failed.Error().What, TransformStep::NotAFile) << Utf16ToUtf8Lossy(input);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ::close(listening);
}

// --- Permissions ------------------------------------------------------------------------

TEST_P(Attacked, ANewNameGetsTheInputsPermissions) {
  WriteBytes(folder / "in", RandomBytes(5000, 8));
  const mode_t umask = ::umask(0);
  for (const uint32_t mode : {0600u, 0640u, 0755u}) {
    fs::remove(folder / "out");
    ASSERT_EQ(::chmod((folder / "in").c_str(), mode), 0);
    ASSERT_TRUE(Run());
    EXPECT_EQ(ModeOf(folder / "out"), mode);
  }
  ::umask(umask);
}

TEST_P(Attacked, AReplacedFileKeepsItsPermissionsAndOwner) {
  WriteBytes(folder / "in", RandomBytes(5000, 9));
  ASSERT_EQ(::chmod((folder / "in").c_str(), 0644), 0);
  WriteBytes(folder / "out", Bytes(7, 7));
  ASSERT_EQ(::chmod((folder / "out").c_str(), 0604), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((folder / "out").c_str(), 65534, 65534), 0);
  }
  ASSERT_TRUE(Run(true));
  EXPECT_EQ(ModeOf(folder / "out"), 0604u);
  if (root) {
    struct stat st;
    ASSERT_EQ(::stat((folder / "out").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
  }
}

// --- Input that changes -----------------------------------------------------------------

// Four bytes written at the start while the rest is read: same size, other content.
TEST_P(Attacked, AnInputWrittenInPlaceDuringTheRunPublishesNothing) {
  const Bytes original = RandomBytes(4 * ChunkBytes, 10);
  WriteBytes(folder / "in", original);
  // An old time, so the write below shows even where the clock is coarse.
  const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "in").c_str(), old, 0), 0);
  const TransformResult<> failed = Run(false, "out", [&](uint64_t done) {
    if (done != ChunkBytes) return;
    const int fd = ::open((folder / "in").c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "ABCD", 4, 0), 4);
    ::close(fd);
  });
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::InputChanged);
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

}  // namespace
}  // namespace tavrinole
