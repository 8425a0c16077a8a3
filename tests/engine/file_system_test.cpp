#include "engine/file_system.h"

#include <gtest/gtest.h>

#include <memory>
#include <system_error>

#include "tests/support/temp_folder.h"

namespace tavrinole {
namespace {

using test_support::Bytes;
using test_support::TempFolder;
using test_support::WriteBytes;

// The one answer to "is the output the input?" that the dialog, the transform and the
// command-line tool all ask.
TEST(IsSameFile, FollowsTheFileWhateverNameReachesIt) {
  TempFolder folder;
  WriteBytes(folder / "in", Bytes(10, 1));
  WriteBytes(folder / "twin", Bytes(10, 1));  // equal bytes, another file
  std::filesystem::create_hard_link(folder / "in", folder / "hard");
  FileSystem& files = NativeFileSystem();
  const Path in = folder.Wide("in");

  EXPECT_TRUE(IsSameFile(files, in, in));
  EXPECT_TRUE(IsSameFile(files, in, folder.Wide("hard")));
  EXPECT_TRUE(IsSameFile(files, in, *Utf8ToUtf16((folder / "." / "in").string())));
  EXPECT_FALSE(IsSameFile(files, in, folder.Wide("twin")));
  EXPECT_FALSE(IsSameFile(files, in, folder.Wide("missing")));

  std::error_code noSymlink;
  std::filesystem::create_symlink(folder / "in", folder / "link", noSymlink);
  if (!noSymlink) {
    EXPECT_TRUE(IsSameFile(files, in, folder.Wide("link")));
  }
}

// Only a name that holds nothing is missing; one that cannot be looked at says why.
TEST(FileSystemKind, TellsAMissingNameFromOneThatCannotBeLookedAt) {
  TempFolder folder;
  WriteBytes(folder / "file", Bytes(10, 1));
  FileSystem& files = NativeFileSystem();
  EXPECT_EQ(files.Kind(folder.Wide("file")).Value(), EntryKind::RegularFile);
  EXPECT_EQ(files.Kind(folder.Wide("missing")).Value(), EntryKind::Missing);
#ifndef _WIN32
  const IoResult<EntryKind> underAFile = files.Kind(folder.Wide("file/x"));
  ASSERT_FALSE(underAFile);
  EXPECT_EQ(underAFile.Error().Cause, "Not a directory");
#endif
}

// Two names that reach nothing are not one file: a missing input is reported as
// missing, not as the output.
TEST(IsSameFile, ANameThatReachesNoFileIsNobodys) {
  TempFolder folder;
  const Path gone = folder.Wide("gone");
  EXPECT_FALSE(IsSameFile(NativeFileSystem(), gone, gone));
  EXPECT_FALSE(IsSameFile(NativeFileSystem(), gone, folder.Wide("also-gone")));
}

// Values and failures travel intact, also where the value is text like the cause.
TEST(Result, CarriesTheValueOrWhatFailedAndWhy) {
  const IoResult<std::string> value = std::string("text");
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, "text");

  const IoResult<std::string> failed = IoFailure("cause", IoProblem::Substituted);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, IoProblem::Substituted);
  EXPECT_EQ(failed.Error().Cause, "cause");

  Result<std::unique_ptr<int>, IoProblem> owned = std::make_unique<int>(7);
  std::unique_ptr<int> taken = std::move(owned).Value();
  ASSERT_TRUE(taken);
  EXPECT_EQ(*taken, 7);

  IoResult<> done;
  EXPECT_TRUE(done);
  done = IoFailure("No space left on device", IoProblem::Exists);
  ASSERT_FALSE(done);
  EXPECT_EQ(done.Error().What, IoProblem::Exists);
  EXPECT_EQ(done.Error().Cause, "No space left on device");
}

}  // namespace
}  // namespace tavrinole
