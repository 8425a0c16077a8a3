// The transform against other processes and odd files: names swapped or taken while it
// runs, files that are not files, permissions, an input written in place. Each other
// process acts at the seam before publishing, so no test depends on timing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>

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

// An access list as the system keeps it: a version word, then (tag, permissions, id).
// Tags: 1 owner, 2 a named user, 4 the owning group, 16 the mask, 32 others.
std::string AccessList(std::initializer_list<std::array<uint32_t, 3>> entries) {
  std::string bytes{2, 0, 0, 0};
  for (const auto& [tag, permissions, id] : entries) {
    for (const auto& [value, size] : {std::pair{tag, 2}, {permissions, 2}, {id, 4}}) {
      for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> 8 * i & 0xFF);
    }
  }
  return bytes;
}
constexpr uint32_t kNoId = 0xFFFFFFFF;

std::string AccessListOf(const fs::path& path, const char* which = "system.posix_acl_access") {
  std::string bytes(256, '\0');
  const ssize_t size = ::getxattr(path.c_str(), which, bytes.data(), bytes.size());
  return size < 0 ? std::string() : bytes.substr(0, static_cast<size_t>(size));
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

// A folder marked append-only lets names be made but not removed or renamed over: the
// replace fails, and whatever hidden name the document took keeps none of it. An unnamed
// document takes a free name there, with consent as without.
TEST_P(Attacked, AFolderThatKeepsEveryNameKeepsNoCopyOfAFailedDocument) {
  WriteBytes(folder / "in", RandomBytes(5000, 32));
  WriteBytes(folder / "out", Bytes(7, 7));
  const auto setAppendOnly = [&](bool on) {
    const int fd = ::open(folder.Root().c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool set = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (set) {
      flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL;
      set = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
    return set;
  };
  if (!setAppendOnly(true)) GTEST_SKIP() << "no append-only folders here: " << std::strerror(errno);
  const TransformResult<> failed = Run(true);
  const std::vector<std::string> left = Temporaries();
  const TransformResult<> freeName = Run(true, "new");
  const std::vector<std::string> leftAfterFreeName = Temporaries();
  ASSERT_TRUE(setAppendOnly(false));
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::Replace);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(7, 7));
  ASSERT_EQ(left.size(), 1u);  // the folder would not let it go
  // A named document could never move its hidden name to a free one there.
  if (!GetParam()) {
    EXPECT_TRUE(freeName);
    EXPECT_EQ(leftAfterFreeName, left);
  }
  for (const std::string& name : leftAfterFreeName) {
    EXPECT_EQ(fs::file_size(folder / name), 0u) << name;
  }
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
  // One that turns up while the document is written: found as it is swapped out of the
  // way, and put back.
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

// A list grants a named user more than the mode says, and the mode's group bits are the
// list's mask. The new document never grants more than the file its permissions come
// from: a new name drops the input's list and gives the group what the owning group
// had; a replaced file's list is kept; a folder's default list is not handed down.
TEST_P(Attacked, AnAccessListNeverGrantsMoreThanTheFileItCameFrom) {
  WriteBytes(folder / "in", RandomBytes(5000, 31));
  const std::string readerOnly =
      AccessList({{1, 6, kNoId}, {2, 4, 2}, {4, 0, kNoId}, {16, 4, kNoId}, {32, 0, kNoId}});
  if (::setxattr((folder / "in").c_str(), "system.posix_acl_access", readerOnly.data(),
                 readerOnly.size(), 0) != 0) {
    GTEST_SKIP() << "no access lists here: " << std::strerror(errno);
  }
  ASSERT_EQ(ModeOf(folder / "in"), 0640u);  // the mask shows as the group's
  ASSERT_TRUE(Run());
  EXPECT_EQ(ModeOf(folder / "out"), 0600u);
  EXPECT_EQ(AccessListOf(folder / "out"), "");

  const std::string groupReads =
      AccessList({{1, 6, kNoId}, {2, 6, 2}, {4, 4, kNoId}, {16, 6, kNoId}, {32, 0, kNoId}});
  ASSERT_EQ(::setxattr((folder / "in").c_str(), "system.posix_acl_access", groupReads.data(),
                       groupReads.size(), 0),
            0);
  fs::remove(folder / "out");
  ASSERT_TRUE(Run());
  EXPECT_EQ(ModeOf(folder / "out"), 0640u);

  WriteBytes(folder / "out", Bytes(7, 7));
  ASSERT_EQ(::setxattr((folder / "out").c_str(), "system.posix_acl_access", readerOnly.data(),
                       readerOnly.size(), 0),
            0);
  ASSERT_TRUE(Run(true));
  EXPECT_EQ(AccessListOf(folder / "out"), readerOnly);
  EXPECT_EQ(ModeOf(folder / "out"), 0640u);

  ASSERT_EQ(::removexattr((folder / "in").c_str(), "system.posix_acl_access"), 0);
  ASSERT_EQ(::chmod((folder / "in").c_str(), 0600), 0);
  fs::create_directory(folder / "shared");
  const std::string sharedFolder =
      AccessList({{1, 7, kNoId}, {2, 7, 2}, {4, 7, kNoId}, {16, 7, kNoId}, {32, 7, kNoId}});
  ASSERT_EQ(::setxattr((folder / "shared").c_str(), "system.posix_acl_default", sharedFolder.data(),
                       sharedFolder.size(), 0),
            0);
  ASSERT_TRUE(Run(false, "shared/out"));
  EXPECT_EQ(ModeOf(folder / "shared/out"), 0600u);
  EXPECT_EQ(AccessListOf(folder / "shared/out"), "");
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
