// The disk's files on Windows: names beyond ASCII, identity across names, the
// replacing move, and sizes past what 32 bits hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/file_system.h"
#include "engine/file_transform.h"
#include "engine/mixer_factory.h"
#include "platform/win32_api.h"

namespace tavrinole {
namespace {

using Bytes = std::vector<uint8_t>;

Path ToPath(const std::wstring& text) {
  return Path(text.begin(), text.end());
}

// A fresh folder under the user's temporary folder, with a name beyond ASCII itself.
class WideFolder {
 public:
  WideFolder() {
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"tavrinole-\u00E9t\u00E9-" +
            std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    CreateDirectoryW(root_.c_str(), nullptr);
  }
  ~WideFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((root_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(root_.c_str());
  }
  std::wstring operator/(const std::wstring& name) const { return root_ + L"\\" + name; }

 private:
  std::wstring root_;
};

bool Exists(const std::wstring& name) {
  return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Write(FileSystem& files, const std::wstring& name, const Bytes& bytes) {
  std::unique_ptr<File> file;
  ASSERT_TRUE(files.CreateNew(ToPath(name), file).Ok);
  ASSERT_TRUE(file->Write(bytes).Ok);
  ASSERT_TRUE(file->Flush().Ok);
  ASSERT_TRUE(file->Close().Ok);
}

Bytes Read(FileSystem& files, const std::wstring& name) {
  std::unique_ptr<File> file;
  if (!files.OpenForReading(ToPath(name), file).Ok) return {};
  Bytes bytes(1 << 16);
  size_t got = 0;
  if (!file->Read(bytes, got).Ok) return {};
  bytes.resize(got);
  return bytes;
}

// Czech, Japanese and a character outside the first plane (a surrogate pair).
const std::wstring Czech = L"Dokument \u010D\u0161\u017E";
const std::wstring Japanese = L"\u6587\u66F8.bin";
const std::wstring Astral = L"\U0001F4C4 note.txt";

TEST(NativeFiles, NamesBeyondAsciiWriteReadMeasureAndGo) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  for (const std::wstring& name : {Czech, Japanese, Astral}) {
    const Bytes bytes{1, 2, 3, 250, 251};
    Write(files, folder / name, bytes);
    EXPECT_TRUE(Exists(folder / name)) << "the name as given is on disk";
    EXPECT_EQ(Read(files, folder / name), bytes);
    std::unique_ptr<File> file;
    ASSERT_TRUE(files.OpenForReadingAndWriting(ToPath(folder / name), file).Ok);
    uint64_t size = 0;
    ASSERT_TRUE(file->Size(size).Ok);
    EXPECT_EQ(size, bytes.size());
    ASSERT_TRUE(file->Close().Ok);
    EXPECT_TRUE(files.Remove(ToPath(folder / name)).Ok);
    EXPECT_FALSE(Exists(folder / name));
  }
}

TEST(NativeFiles, CreateNewRefusesAnExistingFileAndLeavesIt) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  Write(files, folder / Czech, {7, 7, 7});
  std::unique_ptr<File> file;
  const IoResult refused = files.CreateNew(ToPath(folder / Czech), file);
  EXPECT_FALSE(refused.Ok);
  EXPECT_FALSE(refused.Cause.empty());
  EXPECT_EQ(Read(files, folder / Czech), (Bytes{7, 7, 7}));
}

TEST(NativeFiles, ReplaceMovesOverAnExistingFile) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  Write(files, folder / Japanese, {1, 1, 1, 1, 1, 1});
  Write(files, folder / Czech, {2, 2});
  ASSERT_TRUE(files.Replace(ToPath(folder / Czech), ToPath(folder / Japanese)).Ok);
  EXPECT_FALSE(Exists(folder / Czech));
  EXPECT_EQ(Read(files, folder / Japanese), (Bytes{2, 2}));
}

TEST(NativeFiles, IdentityFollowsTheFileNotTheName) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  Write(files, folder / Czech, {1, 2, 3, 4});
  Write(files, folder / Japanese, {1, 2, 3, 4});
  ASSERT_TRUE(CreateHardLinkW((folder / Astral).c_str(), (folder / Czech).c_str(), nullptr));
  const auto czech = files.Identity(ToPath(folder / Czech));
  ASSERT_TRUE(czech.has_value());
  EXPECT_EQ(files.Identity(ToPath(folder / Astral)), czech);
  EXPECT_NE(files.Identity(ToPath(folder / Japanese)), czech);
  EXPECT_EQ(files.Identity(ToPath(folder / L"missing")), std::nullopt);
}

// The 32-bit runtime's ftell stops at 2 GiB; sizes here come from the handle in 64 bits.
// The files are sparse where the disk allows, so they cost no space.
class LargeFiles : public ::testing::TestWithParam<uint64_t> {};

void MakeFileOfSize(const std::wstring& name, uint64_t size) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
  EXPECT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
}

TEST_P(LargeFiles, AreMeasuredInSixtyFourBits) {
  WideFolder folder;
  const uint64_t size = GetParam();
  MakeFileOfSize(folder / Japanese, size);
  std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
  FileTransform transform(NativeFileSystem(), *mixer);
  uint64_t measured = 0;
  const TransformStatus status = transform.Measure(ToPath(folder / Japanese), measured);
  if (size > LargestInput) {
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->Step, TransformStep::TooBig);
  } else {
    EXPECT_FALSE(status.has_value());
    EXPECT_EQ(measured, size);
  }
}

INSTANTIATE_TEST_SUITE_P(PastTwoAndFourGiB, LargeFiles,
                         ::testing::Values(0x80000001ull, 0xFFFFFFFFull, 0x100000000ull,
                                           0x140000000ull));

}  // namespace
}  // namespace tavrinole
