// The disk's files on Windows: names beyond ASCII, identity across names, publishing
// through the one handle with and without replacing, what is not a file, an input that
// changes, and sizes past what 32 bits hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/file_system.h"
#include "engine/file_transform.h"
#include "engine/mixer_factory.h"
#include "engine/password.h"
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

  size_t Count() const {
    size_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
      count += std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..";
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }

 private:
  std::wstring root_;
};

bool Exists(const std::wstring& name) {
  return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A document written, not yet published.
TransformResult<Document> Written(FileSystem& files, const std::wstring& name, const Bytes& bytes) {
  TransformResult<Document> document = Document::Create(files, ToPath(name));
  EXPECT_TRUE(document);
  if (document) {
    EXPECT_TRUE(document->Content().Write(bytes));
    document->Written(false);
  }
  return document;
}

// A document written and published, replacing nothing.
void Write(FileSystem& files, const std::wstring& name, const Bytes& bytes) {
  TransformResult<Document> document = Written(files, name, bytes);
  ASSERT_TRUE(document);
  ASSERT_TRUE(document->Publish(false, {}));
}

Bytes Read(FileSystem& files, const std::wstring& name) {
  IoResult<std::unique_ptr<File>> file = files.OpenForReading(ToPath(name));
  if (!file) return {};
  Bytes bytes(1 << 16);
  const IoResult<size_t> got = (*file)->Read(bytes);
  if (!got) return {};
  bytes.resize(*got);
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
    IoResult<std::unique_ptr<File>> file = files.OpenForReading(ToPath(folder / name));
    ASSERT_TRUE(file);
    const IoResult<uint64_t> size = (*file)->Size();
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, bytes.size());
    ASSERT_TRUE((*file)->Close());
    EXPECT_EQ(files.Kind(ToPath(folder / name)).Value(), EntryKind::RegularFile);
  }
  EXPECT_EQ(folder.Count(), 3u);
}

// While written, the document is held with no sharing: nothing else can open it.
TEST(NativeFiles, AWrittenDocumentIsOnlyEverReachedThroughItsHandle) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  TransformResult<Document> document = Written(files, folder / Czech, {1, 2, 3});
  ASSERT_TRUE(document);
  EXPECT_FALSE(Exists(folder / Czech));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder / L".tavrinole-*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  const HANDLE other = CreateFileW((folder / found.cFileName).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE);
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  EXPECT_TRUE(document->Abandon());
  EXPECT_EQ(folder.Count(), 0u);
}

TEST(NativeFiles, PublishingNeverReplacesWithoutConsent) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  TransformResult<Document> document = Written(files, folder / Czech, {1, 2, 3});
  ASSERT_TRUE(document);
  // Another program takes the name while the document is written.
  Write(files, folder / Czech, {7, 7, 7});
  const TransformResult<> refused = document->Publish(false, {});
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.Error().What, TransformStep::OutputExists);
  EXPECT_TRUE(document->Abandon());
  EXPECT_EQ(Read(files, folder / Czech), (Bytes{7, 7, 7}));
  EXPECT_EQ(folder.Count(), 1u);
}

TEST(NativeFiles, PublishingWithConsentReplacesInOneStep) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  Write(files, folder / Japanese, {1, 1, 1, 1, 1, 1});
  TransformResult<Document> document = Written(files, folder / Japanese, {2, 2});
  ASSERT_TRUE(document);
  ASSERT_TRUE(document->Publish(true, {}));
  EXPECT_EQ(document->Reached(), Stage::Kept);
  EXPECT_EQ(Read(files, folder / Japanese), (Bytes{2, 2}));
  EXPECT_EQ(folder.Count(), 1u);
}

// A device answers to its name in any folder, with attributes like a file's.
TEST(NativeFiles, DeviceNamesAreNotFiles) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  for (const std::wstring& name :
       {std::wstring(L"NUL"), std::wstring(L"CON"), folder / L"nul.txt"}) {
    EXPECT_EQ(files.Kind(ToPath(name)).Value(), EntryKind::Other)
        << std::string(name.begin(), name.end());
  }
}

TEST(NativeFiles, AFolderIsNeitherReplacedNorRead) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  ASSERT_TRUE(CreateDirectoryW((folder / Astral).c_str(), nullptr));
  EXPECT_EQ(files.Kind(ToPath(folder / Astral)).Value(), EntryKind::Other);
  TransformResult<Document> document = Written(files, folder / Astral, {1, 2, 3});
  ASSERT_TRUE(document);
  const TransformResult<> published = document->Publish(true, {});
  ASSERT_FALSE(published);
  EXPECT_EQ(published.Error().What, TransformStep::OutputNotRegular);
  EXPECT_TRUE(document->Abandon());
  const IoResult<std::unique_ptr<File>> input = files.OpenForReading(ToPath(folder / Astral));
  ASSERT_FALSE(input);
  EXPECT_EQ(input.Error().What, IoProblem::NotRegularFile);
  const DWORD attributes = GetFileAttributesW((folder / Astral).c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  RemoveDirectoryW((folder / Astral).c_str());
  EXPECT_EQ(folder.Count(), 0u);
}

// The transform on Windows files: a file that appears at the name is kept, one written
// in place while it is read publishes nothing.
TEST(NativeFiles, TheTransformKeepsAFileThatAppearsAndRefusesAnInputThatChanged) {
  FileSystem& files = NativeFileSystem();
  WideFolder folder;
  Write(files, folder / Czech, Bytes(3 * ChunkBytes, 0x41));
  std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
  FileTransform transform(files, *mixer);
  const std::vector<int32_t> presses{5, 1, 22, 38, 40};
  const PasswordSlots slots = SlotsFromPresses(presses);
  const TransformResult<uint64_t> measured = transform.Measure(ToPath(folder / Czech));
  ASSERT_TRUE(measured);
  const uint64_t size = *measured;

  TransformHooks hooks;
  hooks.Progress = [&](uint64_t done, uint64_t) {
    if (done == ChunkBytes) Write(files, folder / Japanese, {7, 7, 7});
  };
  TransformResult<> failed =
      transform.Stream(ToPath(folder / Czech), size, ToPath(folder / Japanese), slots, hooks);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::OutputExists);
  EXPECT_EQ(Read(files, folder / Japanese), (Bytes{7, 7, 7}));

  // Written in place: same size, an old modification time set first so the write shows.
  const HANDLE input =
      CreateFileW((folder / Czech).c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(input, INVALID_HANDLE_VALUE);
  FILETIME old{0x10000000, 0x01C00000};
  ASSERT_TRUE(SetFileTime(input, nullptr, nullptr, &old));
  hooks.Progress = [&](uint64_t done, uint64_t) {
    if (done != ChunkBytes) return;
    DWORD wrote = 0;
    WriteFile(input, "ABCD", 4, &wrote, nullptr);
    FlushFileBuffers(input);
  };
  failed = transform.Stream(ToPath(folder / Czech), size, ToPath(folder / Astral), slots, hooks);
  CloseHandle(input);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().What, TransformStep::InputChanged);
  EXPECT_FALSE(Exists(folder / Astral));
  EXPECT_EQ(folder.Count(), 2u);
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
  const TransformResult<uint64_t> measured = transform.Measure(ToPath(folder / Japanese));
  if (size > LargestInput) {
    ASSERT_FALSE(measured);
    EXPECT_EQ(measured.Error().What, TransformStep::TooBig);
  } else {
    ASSERT_TRUE(measured);
    EXPECT_EQ(*measured, size);
  }
}

INSTANTIATE_TEST_SUITE_P(PastTwoAndFourGiB, LargeFiles,
                         ::testing::Values(0x80000001ull, 0xFFFFFFFFull, 0x100000000ull,
                                           0x140000000ull));

}  // namespace
}  // namespace tavrinole
