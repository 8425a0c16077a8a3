// The file system of Windows: the steps of the publish protocol (engine/publish.h) on
// handles, each owned so that nothing is closed by hand. The folder's access rules
// apply to a new document, so it is given none of its own.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_system.h"
#include "engine/publish.h"
#include "engine/utf.h"

namespace tavrinole {
namespace {

Failure<IoProblem> LastError(DWORD code = GetLastError()) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string cause;
  for (const wchar_t* p = text; p && *p && *p != L'\r' && *p != L'\n'; ++p) {
    cause += static_cast<char16_t>(*p);
  }
  LocalFree(text);
  if (cause.empty()) return IoFailure("system error " + std::to_string(code));
  return IoFailure(Utf16ToUtf8Lossy(cause));
}

Failure<IoProblem> NotAFile() {
  return IoFailure("it is not a regular file", IoProblem::NotRegularFile);
}

std::wstring Wide(const Path& path) {
  return *ToNativePath(path);
}

// An open handle, closed when it goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Handle() {
    if (Open()) (void)Close();
  }

  HANDLE Get() const { return handle_; }
  bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }

  IoResult<> Close() {
    if (!CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) return LastError();
    return {};
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A handle that reads nothing and stands in no one's way, for asking what `path` is.
Handle OpenToAsk(const std::wstring& path) {
  return Handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// A device name (NUL, CON, COM1, in any folder) has attributes like a file's: the
// system spells it as a device, or a handle to it is not one to a disk.
bool IsDevice(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length > 0 && length < MAX_PATH && std::wstring_view(full, length).starts_with(L"\\\\.\\")) {
    return true;
  }
  const Handle handle = OpenToAsk(path);
  return handle.Open() && GetFileType(handle.Get()) != FILE_TYPE_DISK;
}

IoResult<EntryKind> KindOf(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return EntryKind::Missing;
    return LastError(code);
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::SymbolicLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Other;
  return IsDevice(path) ? EntryKind::Other : EntryKind::RegularFile;
}

// What one call reads or writes at most.
DWORD Clamped(size_t size) {
  return static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
}

int64_t Ticks(const LARGE_INTEGER& time) {
  return time.QuadPart;
}

// Reading, writing and flushing on a handle, for inputs and new documents alike.
template <class Base>
class HandleFile : public Base {
 public:
  explicit HandleFile(Handle handle) : handle_(std::move(handle)) {}

  IoResult<size_t> Read(std::span<uint8_t> into) override {
    return ReadFully(into, [this](std::span<uint8_t> rest) -> IoResult<size_t> {
      DWORD n = 0;
      if (!ReadFile(handle_.Get(), rest.data(), Clamped(rest.size()), &n, nullptr)) {
        return LastError();
      }
      return n;
    });
  }

  IoResult<> Write(std::span<const uint8_t> bytes) override {
    return WriteFully(bytes, [this](std::span<const uint8_t> rest) -> IoResult<size_t> {
      DWORD n = 0;
      if (!WriteFile(handle_.Get(), rest.data(), Clamped(rest.size()), &n, nullptr)) {
        return LastError();
      }
      return n;
    });
  }

  IoResult<uint64_t> Size() override {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle_.Get(), &length)) return LastError();
    return static_cast<uint64_t>(length.QuadPart);
  }

  IoResult<FileStamp> Stamp() override {
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(handle_.Get(), FileBasicInfo, &basic, sizeof basic)) {
      return LastError();
    }
    const IoResult<uint64_t> size = Size();
    if (!size) return size.Error();
    return FileStamp{*size, Ticks(basic.LastWriteTime), Ticks(basic.ChangeTime), {}};
  }

  IoResult<> Rewind() override {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle_.Get(), start, nullptr, FILE_BEGIN)) return LastError();
    return {};
  }

  IoResult<> Flush() override {
    if (!FlushFileBuffers(handle_.Get())) return LastError();
    return {};
  }

  IoResult<> Close() override { return handle_.Close(); }

 protected:
  Handle handle_;
};

using InputFile = HandleFile<File>;

// A document under a fresh hidden name, open with no sharing, so nothing else can open,
// move or delete it; it is renamed, or deleted, through its one handle. Until it is
// renamed it is marked for deletion, so that a killed process leaves nothing behind: the
// system deletes it when the handle closes, however that happens.
class Document final : public HandleFile<NewFile> {
 public:
  Document(Handle handle, std::wstring output)
      : HandleFile(std::move(handle)), output_(std::move(output)) {
    MarkForDeletion(true);
  }
  ~Document() override {
    if (handle_.Open()) (void)Abandon(Stage::Created);
  }

  IoResult<NameEntry> AtName() override {
    const IoResult<EntryKind> kind = KindOf(output_);
    if (!kind) return kind.Error();
    return NameEntry{*kind, {}};
  }

  IoResult<> GiveAccess(const FileAccess&, bool) override { return {}; }

  IoResult<> TakeName() override { return Rename(false); }

  IoResult<Stage> SwapIn() override {
    const DWORD attributes = GetFileAttributesW(output_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return NotAFile();
    }
    if (IoResult<> renamed = Rename(true); !renamed) return renamed.Error();
    return Stage::SwappedIn;
  }

  // Unless renamed, it is still marked for deletion: closing it is enough. A new name it
  // took but was not closed under is given up the same way.
  IoResult<> Abandon(Stage reached) override {
    if (!handle_.Open()) return {};
    IoResult<> marked;
    if (reached == Stage::Published && !MarkForDeletion(true)) marked = LastError();
    // The document is given up: whatever its close says changes nothing.
    (void)handle_.Close();
    return marked;
  }

 private:
  IoResult<> Rename(bool replace) {
    wchar_t full[32768];
    const DWORD length = GetFullPathNameW(output_.c_str(), 32768, full, nullptr);
    if (length == 0 || length >= 32768) return LastError();
    std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + length * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = length * sizeof(wchar_t);
    std::memcpy(rename->FileName, full, length * sizeof(wchar_t));
    if (!MarkForDeletion(false)) return LastError();
    if (SetFileInformationByHandle(handle_.Get(), FileRenameInfo, rename,
                                   static_cast<DWORD>(buffer.size()))) {
      return {};
    }
    const DWORD code = GetLastError();
    if (!MarkForDeletion(true)) return LastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
      return IoFailure("it exists", IoProblem::Exists);
    }
    return LastError(code);
  }

  bool MarkForDeletion(bool remove) {
    FILE_DISPOSITION_INFO dispose{static_cast<BOOLEAN>(remove)};
    return SetFileInformationByHandle(handle_.Get(), FileDispositionInfo, &dispose, sizeof dispose);
  }

  std::wstring output_;
};

class WindowsFileSystem final : public FileSystem {
 public:
  IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) override {
    Handle handle(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Open()) return LastError();
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return NotAFile();
    }
    return std::unique_ptr<File>(std::make_unique<InputFile>(std::move(handle)));
  }

  IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& output) override {
    Handle handle;
    const IoResult<std::string> created = WithFreshName([&](const std::string& name) -> IoResult<> {
      handle = Handle(CreateFileW(Wide(NameBeside(output, PathFromName(name))).c_str(),
                                  GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
      if (handle.Open()) return {};
      const DWORD code = GetLastError();
      Failure<IoProblem> failed = LastError(code);
      if (code == ERROR_FILE_EXISTS) failed.What = IoProblem::Exists;
      return failed;
    });
    if (!created) return created.Error();
    return std::unique_ptr<NewFile>(std::make_unique<Document>(std::move(handle), Wide(output)));
  }

  std::optional<FileIdentity> Identity(const Path& path) override {
    const Handle handle = OpenToAsk(Wide(path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle.Open() || !GetFileInformationByHandle(handle.Get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  }

  IoResult<EntryKind> Kind(const Path& path) override { return KindOf(Wide(path)); }
};

}  // namespace

FileSystem& NativeFileSystem() {
  static WindowsFileSystem native;
  return native;
}

// Windows keeps no unnamed files: every new document is named, and hidden by its handle.
FileSystem& NativeFileSystemWithNamedTemporaries() {
  return NativeFileSystem();
}

}  // namespace tavrinole
