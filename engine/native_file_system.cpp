#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/utf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace tavrinole {
namespace {

Failure<IoProblem> NotAFile() {
  return IoFailure("it is not a regular file", IoProblem::NotRegularFile);
}

#ifdef _WIN32

std::wstring Wide(const Path& path) {
  return *ToNativePath(path);
}

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

int64_t Ticks(const LARGE_INTEGER& time) {
  return time.QuadPart;
}

// Reading, writing and flushing on a handle, for inputs and new documents alike.
template <class Base>
class HandleFile : public Base {
 public:
  explicit HandleFile(HANDLE handle) : handle_(handle) {}
  ~HandleFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  IoResult<size_t> Read(std::span<uint8_t> into) override {
    size_t got = 0;
    while (got < into.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(into.size() - got, 1u << 30));
      if (!ReadFile(handle_, into.data() + got, want, &n, nullptr)) return LastError();
      if (n == 0) break;
      got += n;
    }
    return got;
  }

  IoResult<> Write(std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
      if (!WriteFile(handle_, bytes.data() + done, want, &n, nullptr)) return LastError();
      if (n == 0) return IoFailure("nothing could be written");
      done += n;
    }
    return {};
  }

  IoResult<uint64_t> Size() override {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle_, &length)) return LastError();
    return static_cast<uint64_t>(length.QuadPart);
  }

  IoResult<FileStamp> Stamp() override {
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(handle_, FileBasicInfo, &basic, sizeof basic)) {
      return LastError();
    }
    const IoResult<uint64_t> size = Size();
    if (!size) return size.Error();
    // The folder's access rules apply on Windows.
    return FileStamp{*size, Ticks(basic.LastWriteTime), Ticks(basic.ChangeTime), 0644};
  }

  IoResult<> Rewind() override {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN)) return LastError();
    return {};
  }

  IoResult<> Flush() override {
    if (!FlushFileBuffers(handle_)) return LastError();
    return {};
  }

  IoResult<> Close() override {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) return LastError();
    return {};
  }

 protected:
  HANDLE handle_;
};

using InputFile = HandleFile<File>;

// A document under a fresh hidden name, open with no sharing, so nothing else can open,
// move or delete it; it is renamed, or deleted, through its one handle. Until it is
// renamed it is marked for deletion, so that a killed process leaves nothing behind: the
// system deletes it when the handle closes, however that happens.
class Document final : public HandleFile<NewFile> {
 public:
  Document(HANDLE handle, std::wstring output) : HandleFile(handle), output_(std::move(output)) {
    MarkForDeletion(true);
  }
  ~Document() override { Abandon(); }

  IoResult<> Publish(bool replace, uint32_t) override {
    const DWORD attributes = GetFileAttributesW(output_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !replace) {
      return IoFailure("it exists", IoProblem::Exists);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return NotAFile();
    }
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
    if (!SetFileInformationByHandle(handle_, FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size()))) {
      const DWORD code = GetLastError();
      MarkForDeletion(true);
      if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
        return IoFailure("it exists", IoProblem::Exists);
      }
      return LastError(code);
    }
    named_ = !replace;
    return {};
  }

  IoResult<> Close() override {
    IoResult<> closed = HandleFile::Close();
    if (closed) named_ = false;
    return closed;
  }

  // Unless renamed, it is still marked for deletion: closing it is enough. A new name it
  // took but was not closed under is given up the same way.
  void Abandon() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    if (named_) MarkForDeletion(true);
    named_ = false;
    (void)HandleFile::Close();
  }

 private:
  bool MarkForDeletion(bool remove) {
    FILE_DISPOSITION_INFO dispose{static_cast<BOOLEAN>(remove)};
    return SetFileInformationByHandle(handle_, FileDispositionInfo, &dispose, sizeof dispose);
  }

  std::wstring output_;
  bool named_ = false;  // it took a new name and is not closed yet
};

class Native final : public FileSystem {
 public:
  explicit Native(bool) {}

  IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) override {
    const HANDLE handle =
        CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    auto opened = std::make_unique<InputFile>(handle);
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return NotAFile();
    }
    return std::unique_ptr<File>(std::move(opened));
  }

  IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& output) override {
    for (int attempt = 0;; ++attempt) {
      const HANDLE handle = CreateFileW(Wide(TemporaryNameBeside(output)).c_str(),
                                        GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        return std::unique_ptr<NewFile>(std::make_unique<Document>(handle, Wide(output)));
      }
      if (GetLastError() != ERROR_FILE_EXISTS || attempt == 100) return LastError();
    }
  }

  std::optional<FileIdentity> Identity(const Path& path) override {
    const HANDLE handle = OpenToAsk(Wide(path));
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  }

  EntryKind Kind(const Path& path) override {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::SymbolicLink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Other;
    return IsDevice(Wide(path)) ? EntryKind::Other : EntryKind::RegularFile;
  }

 private:
  // A handle that reads nothing and stands in no one's way, for asking what `path` is.
  static HANDLE OpenToAsk(const std::wstring& path) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }

  // A device name (NUL, CON, COM1, in any folder) has attributes like a file's: the
  // system spells it as a device, or a handle to it is not one to a disk.
  static bool IsDevice(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH &&
        std::wstring_view(full, length).starts_with(L"\\\\.\\")) {
      return true;
    }
    const HANDLE handle = OpenToAsk(path);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type != FILE_TYPE_DISK;
  }
};

#else  // POSIX

Failure<IoProblem> Errno(int error = errno) {
  return IoFailure(std::strerror(error));
}

// File names on Linux are bytes; ours come as UTF-16, bytes that are not UTF-8 escaped.
IoResult<std::string> NativeName(const Path& path) {
  std::optional<std::string> bytes = ToNativePath(path);
  if (!bytes) return IoFailure("the name is not valid text");
  return std::move(*bytes);
}

int64_t Nanoseconds(const timespec& time) {
  return int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

// What descriptor `fd` reaches (and `name` in it, for a folder), as a path, for calls
// that take only a path.
std::string ThroughProc(int fd, const std::string& name = {}) {
  return "/proc/self/fd/" + std::to_string(fd) + (name.empty() ? "" : "/" + name);
}

// A file may carry an access list beside its mode, granting named users and groups
// more. Its bytes as the system keeps them, read through `get` (an fgetxattr or an
// lgetxattr): empty when there is none, nothing when it could not be read.
constexpr const char* AccessListName = "system.posix_acl_access";

template <class Get>
std::optional<std::string> AccessListOf(Get get) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = get(nullptr, 0);
    if (size < 0) {
      if (errno == ENODATA || errno == ENOTSUP) return std::string();
      return std::nullopt;
    }
    std::string list(static_cast<size_t>(size), '\0');
    const ssize_t got = get(list.data(), list.size());
    if (got >= 0) return list.substr(0, static_cast<size_t>(got));
    if (errno != ERANGE) return std::nullopt;  // ERANGE: it grew in between
  }
  return std::nullopt;
}

// The mode bits that grant no one more than `fd`'s file does. With an access list the
// mode's group bits are the list's mask, which bounds the named entries; the file's own
// group may have less, and the group bits keep only that.
uint32_t OwnModeBits(int fd, const struct stat& st) {
  const uint32_t mode = st.st_mode & 0777;
  const std::optional<std::string> list = AccessListOf(
      [fd](void* into, size_t size) { return ::fgetxattr(fd, AccessListName, into, size); });
  if (!list) return mode & ~070u;
  uint32_t group = (mode >> 3) & 07, mask = 07;
  // A version word, then entries of a 16-bit tag, 16-bit permissions and a 32-bit id,
  // little-endian.
  for (size_t at = 4; at + 8 <= list->size(); at += 8) {
    const auto field = [&](size_t offset) {
      return static_cast<uint32_t>(static_cast<uint8_t>((*list)[at + offset]));
    };
    const uint32_t tag = field(0) | field(1) << 8;
    if (tag == 0x04) group = field(2) & 07;  // the owning group
    if (tag == 0x10) mask = field(2) & 07;
  }
  return (mode & ~070u) | (group & mask) << 3;
}

// Reading, writing and flushing on a descriptor, for inputs and new documents alike.
template <class Base>
class DescriptorFile : public Base {
 public:
  explicit DescriptorFile(int fd) : fd_(fd) {}
  ~DescriptorFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  IoResult<size_t> Read(std::span<uint8_t> into) override {
    size_t got = 0;
    while (got < into.size()) {
      const ssize_t n = ::read(fd_, into.data() + got, into.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Errno();
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    return got;
  }

  IoResult<> Write(std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Errno();
      done += static_cast<size_t>(n);
    }
    written_ += bytes.size();
    return {};
  }

  IoResult<uint64_t> Size() override {
    const IoResult<FileStamp> stamp = Stamp();
    if (!stamp) return stamp.Error();
    return stamp->Size;
  }

  IoResult<FileStamp> Stamp() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Errno();
    return FileStamp{static_cast<uint64_t>(st.st_size), Nanoseconds(st.st_mtim),
                     Nanoseconds(st.st_ctim), OwnModeBits(fd_, st)};
  }

  IoResult<> Rewind() override {
    if (::lseek(fd_, 0, SEEK_SET) != 0) return Errno();
    return {};
  }

  IoResult<> Flush() override {
    if (::fsync(fd_) != 0) return Errno();
    return {};
  }

  IoResult<> Close() override {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Errno();
    return {};
  }

  void StartWriteBack() override {
#ifdef __linux__
    ::sync_file_range(fd_, static_cast<off_t>(handedToDisk_),
                      static_cast<off_t>(written_ - handedToDisk_), SYNC_FILE_RANGE_WRITE);
#endif
    handedToDisk_ = written_;
  }

 protected:
  int fd_;

 private:
  uint64_t written_ = 0;  // the files we write are written in sequence from the start
  uint64_t handedToDisk_ = 0;
};

using InputFile = DescriptorFile<File>;

// A document in its folder: unnamed (O_TMPFILE) until published, or, where the file
// system cannot do that, under a hidden name made with O_EXCL and only ever used
// through this descriptor. Any name of ours is checked to still be this file before it
// is moved or removed, so a name swapped by someone else is never acted on.
class Document final : public DescriptorFile<NewFile> {
 public:
  Document(int fd, int folder, std::string leaf, std::string temporary, FileIdentity identity)
      : DescriptorFile(fd),
        folder_(folder),
        leaf_(std::move(leaf)),
        temporary_(std::move(temporary)),
        identity_(identity) {}
  ~Document() override { Abandon(); }

  IoResult<> Publish(bool replace, uint32_t permissions) override {
    struct stat existing;
    const bool taken = ::fstatat(folder_, leaf_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (taken && !replace) return IoFailure("it exists", IoProblem::Exists);
    // What is at the name is looked at again as it is replaced (ReplaceName); a file
    // there now gives its access, and the input's gives way.
    const bool replacingFile = taken && S_ISREG(existing.st_mode);
    if (IoResult<> set = TakeAccess(replacingFile ? &existing : nullptr, permissions); !set) {
      return set;
    }
    if (!taken) {
      // A free name is taken as a new one, so that a folder that lets names be made but
      // not moved (append-only) works with consent as without; replaced only if a file
      // came in the meantime.
      IoResult<> named = TakeNewName();
      if (named || !replace || named.Error().What != IoProblem::Exists) return named;
    }
    return ReplaceName();
  }

  // A close that fails after the document took a new name (a network file system
  // reports late write errors there) takes the name back.
  IoResult<> Close() override {
    IoResult<> closed = DescriptorFile::Close();
    if (closed) named_.clear();
    return closed;
  }

  void Abandon() override {
    for (std::string* name : {&temporary_, &named_}) {
      // A folder may let names be made but not removed (append-only): then at least
      // nothing of the document stays under the name.
      if (!name->empty() && StillOurs(*name) && ::unlinkat(folder_, name->c_str(), 0) != 0 &&
          fd_ >= 0 && ::ftruncate(fd_, 0) != 0) {
        errno = 0;  // nothing more to try
      }
      name->clear();
    }
    if (fd_ >= 0) (void)DescriptorFile::Close();
    if (folder_ >= 0) ::close(folder_);
    folder_ = -1;
  }

 private:
  bool StillOurs(const std::string& name) const {
    struct stat st;
    return ::fstatat(folder_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           IdentityOf(st) == identity_;
  }

  // Gives the document the access of the file it replaces (`replaced`, with its owner
  // and group where it may), or else the input's `permissions`. It never grants anyone
  // more than that file does.
  IoResult<> TakeAccess(const struct stat* replaced, uint32_t permissions) {
    std::optional<std::string> list = std::string();  // none, unless the replaced file has one
    bool keptGroup = true;
    if (replaced != nullptr) {
      permissions = replaced->st_mode & 0777;
      list = AccessListOf([&](void* into, size_t size) {
        return ::lgetxattr(ThroughProc(folder_, leaf_).c_str(), AccessListName, into, size);
      });
      // The owner first: changing it may clear permission bits. Only a privileged
      // process may give the file away; otherwise the new document stays ours, and
      // keeps the old group where it is one of ours.
      keptGroup = ::fchown(fd_, replaced->st_uid, replaced->st_gid) == 0 ||
                  ::fchown(fd_, static_cast<uid_t>(-1), replaced->st_gid) == 0;
    }
    // The list first, so that no moment grants more; one the folder handed down goes.
    const bool listed = keptGroup && list && !list->empty() &&
                        ::fsetxattr(fd_, AccessListName, list->data(), list->size(), 0) == 0;
    if (!listed) {
      ::fremovexattr(fd_, AccessListName);
      if (!list || !list->empty()) {
        permissions &= ~070u;  // a list it could not keep: who had what is not known
      } else if (!keptGroup) {
        // Our group's members had the old group's rights or everyone's: no more than both.
        permissions = (permissions & ~070u) | (((permissions & 07) << 3) & permissions & 070u);
      }
    }
    if (::fchmod(fd_, permissions & 0777) != 0) return Errno();
    return {};
  }

  // Links the unnamed file under `name`; fails with EEXIST when the name is taken.
  int LinkUnnamed(const std::string& name) const {
    const std::string self = ThroughProc(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    // Without /proc, the descriptor itself (needs CAP_DAC_READ_SEARCH).
    if (errno != ENOENT) return -1;
    return ::linkat(fd_, "", folder_, name.c_str(), AT_EMPTY_PATH);
  }

  IoResult<> TakeNewName() {
    if (temporary_.empty()) {
      if (LinkUnnamed(leaf_) != 0) {
        return errno == EEXIST ? IoFailure("it exists", IoProblem::Exists) : Errno();
      }
      named_ = leaf_;
      return {};
    }
    if (!StillOurs(temporary_)) return Substituted();
    int moved = ::renameat2(folder_, temporary_.c_str(), folder_, leaf_.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // No RENAME_NOREPLACE here: a second link never replaces either.
      moved = ::linkat(folder_, temporary_.c_str(), folder_, leaf_.c_str(), 0);
      if (moved == 0) ::unlinkat(folder_, temporary_.c_str(), 0);
    }
    if (moved != 0) {
      return errno == EEXIST ? IoFailure("it exists", IoProblem::Exists) : Errno();
    }
    temporary_.clear();
    named_ = leaf_;
    return {};
  }

  // A rename replaces atomically, but it needs a name to move from: the unnamed file
  // gets a fresh hidden one first. The two names are swapped rather than one renamed
  // over the other, so that what was at the name is looked at once it is out of the
  // way: anything but a file or a link is put back.
  IoResult<> ReplaceName() {
    for (int attempt = 0; temporary_.empty(); ++attempt) {
      const std::string name = TemporaryName();
      if (LinkUnnamed(name) == 0) {
        temporary_ = name;
      } else if (errno != EEXIST || attempt == 100) {
        return Errno();
      }
    }
    if (!StillOurs(temporary_)) return Substituted();
    if (::renameat2(folder_, temporary_.c_str(), folder_, leaf_.c_str(), RENAME_EXCHANGE) == 0) {
      if (!Replaceable(temporary_)) {
        // Put back; should someone have taken it away meanwhile, the document is
        // taken back from the name instead.
        if (::renameat2(folder_, temporary_.c_str(), folder_, leaf_.c_str(), RENAME_EXCHANGE) !=
            0) {
          temporary_.clear();
          if (StillOurs(leaf_)) named_ = leaf_;
        }
        return NotAFile();
      }
      ::unlinkat(folder_, temporary_.c_str(), 0);
      temporary_.clear();
      return {};
    }
    // Nothing at the name any more: taken as a new name, never replacing.
    if (errno == ENOENT) return StillOurs(temporary_) ? TakeNewName() : Substituted();
    // No swapping on this file system: looked at, then renamed over.
    if (errno != EINVAL && errno != ENOSYS) return Errno();
    if (!Replaceable(leaf_)) return NotAFile();
    if (::renameat(folder_, temporary_.c_str(), folder_, leaf_.c_str()) != 0) return Errno();
    temporary_.clear();
    return {};
  }

  // A name in the folder: a file, a link, or nothing, may be replaced.
  bool Replaceable(const std::string& name) const {
    struct stat st;
    if (::fstatat(folder_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
  }

  Failure<IoProblem> Substituted() {
    temporary_.clear();  // someone else's now: left alone
    return IoFailure("its temporary file was replaced by another", IoProblem::Substituted);
  }

  int folder_;
  std::string leaf_;
  std::string temporary_;  // our hidden name in the folder, if it has one
  std::string named_;      // a new name it took, until it is closed
  FileIdentity identity_;
};

class Native final : public FileSystem {
 public:
  explicit Native(bool unnamed) : unnamed_(unnamed) {}

  IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) override {
    const IoResult<std::string> name = NativeName(path);
    if (!name) return name.Error();
    // Never waits: a FIFO without a writer would block a plain open for ever.
    const int fd = ::open(name->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      // A socket, or a device without its driver, cannot be opened at all: say what it is.
      const int cause = errno;
      struct stat st;
      if (cause == ENXIO && ::stat(name->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return NotAFile();
      }
      return Errno(cause);
    }
    auto opened = std::make_unique<InputFile>(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0) return Errno();
    if (!S_ISREG(st.st_mode)) return NotAFile();
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return Errno();
    return std::unique_ptr<File>(std::move(opened));
  }

  IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& output) override {
    const IoResult<std::string> name = NativeName(output);
    if (!name) return name.Error();
    const std::string leaf(FileName(std::string_view(*name)));
    if (leaf.empty() || leaf == "." || leaf == "..") return IoFailure("it is a folder");
    const int folder =
        ::open(FolderOf(std::string_view(*name)).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return Errno();
    std::string temporary;
    int fd = unnamed_ ? ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
    if (fd < 0 && unnamed_ && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      const Failure<IoProblem> failed = Errno();
      ::close(folder);
      return failed;
    }
    for (int attempt = 0; fd < 0; ++attempt) {
      temporary = TemporaryName();
      fd = ::openat(folder, temporary.c_str(),
                    O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
      if (fd < 0 && (errno != EEXIST || attempt == 100)) {
        const Failure<IoProblem> failed = Errno();
        ::close(folder);
        return failed;
      }
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      const Failure<IoProblem> failed = Errno();
      if (!temporary.empty()) ::unlinkat(folder, temporary.c_str(), 0);
      ::close(fd);
      ::close(folder);
      return failed;
    }
    return std::unique_ptr<NewFile>(
        std::make_unique<Document>(fd, folder, leaf, temporary, IdentityOf(st)));
  }

  std::optional<FileIdentity> Identity(const Path& path) override {
    const IoResult<std::string> name = NativeName(path);
    if (!name) return std::nullopt;
    struct stat st;
    if (::stat(name->c_str(), &st) != 0) return std::nullopt;
    return IdentityOf(st);
  }

  EntryKind Kind(const Path& path) override {
    const IoResult<std::string> name = NativeName(path);
    if (!name) return EntryKind::Missing;
    struct stat st;
    if (::lstat(name->c_str(), &st) != 0) return EntryKind::Missing;
    if (S_ISREG(st.st_mode)) return EntryKind::RegularFile;
    return S_ISLNK(st.st_mode) ? EntryKind::SymbolicLink : EntryKind::Other;
  }

 private:
  const bool unnamed_;
};

#endif

}  // namespace

FileSystem& NativeFileSystem() {
  static Native native(true);
  return native;
}

FileSystem& NativeFileSystemWithNamedTemporaries() {
#ifdef _WIN32
  return NativeFileSystem();
#else
  static Native named(false);
  return named;
#endif
}

}  // namespace tavrinole
