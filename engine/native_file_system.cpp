#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/file_system.h"
#include "engine/utf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavrinole {
namespace {

#ifdef _WIN32

std::wstring Wide(const Path& path) {
  return std::wstring(path.begin(), path.end());
}

IoResult LastError() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string cause;
  for (const wchar_t* p = text; p && *p && *p != L'\r' && *p != L'\n'; ++p) {
    cause += static_cast<char16_t>(*p);
  }
  LocalFree(text);
  if (cause.empty()) return IoResult::Failure("system error " + std::to_string(code));
  return IoResult::Failure(Utf16ToUtf8Lossy(cause));
}

class NativeFile final : public File {
 public:
  explicit NativeFile(HANDLE handle) : handle_(handle) {}
  ~NativeFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  IoResult Read(std::span<uint8_t> into, size_t& got) override {
    got = 0;
    while (got < into.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(into.size() - got, 1u << 30));
      if (!ReadFile(handle_, into.data() + got, want, &n, nullptr)) return LastError();
      if (n == 0) break;
      got += n;
    }
    return IoResult::Success();
  }

  IoResult Write(std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
      if (!WriteFile(handle_, bytes.data() + done, want, &n, nullptr)) return LastError();
      if (n == 0) return IoResult::Failure("nothing could be written");
      done += n;
    }
    return IoResult::Success();
  }

  IoResult Size(uint64_t& size) override {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle_, &length)) return LastError();
    size = static_cast<uint64_t>(length.QuadPart);
    return IoResult::Success();
  }

  IoResult Flush() override {
    return FlushFileBuffers(handle_) ? IoResult::Success() : LastError();
  }

  IoResult Close() override {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) ? IoResult::Success() : LastError();
  }

 private:
  HANDLE handle_;
};

IoResult Open(const Path& path, DWORD access, DWORD disposition, std::unique_ptr<File>& file) {
  const HANDLE handle = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = std::make_unique<NativeFile>(handle);
  return IoResult::Success();
}

class Native final : public FileSystem {
 public:
  IoResult OpenForReading(const Path& path, std::unique_ptr<File>& file) override {
    return Open(path, GENERIC_READ, OPEN_EXISTING, file);
  }
  IoResult CreateNew(const Path& path, std::unique_ptr<File>& file) override {
    return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, file);
  }
  IoResult OpenForReadingAndWriting(const Path& path, std::unique_ptr<File>& file) override {
    return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, file);
  }
  std::optional<FileIdentity> Identity(const Path& path) override {
    const HANDLE handle =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  }
  IoResult Replace(const Path& from, const Path& to) override {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? IoResult::Success()
               : LastError();
  }
  IoResult Remove(const Path& path) override {
    return DeleteFileW(Wide(path).c_str()) ? IoResult::Success() : LastError();
  }
};

#else  // POSIX

IoResult Errno() {
  return IoResult::Failure(std::strerror(errno));
}

// File names on Linux are bytes; ours come as UTF-16 and travel as UTF-8.
IoResult NativeName(const Path& path, std::string& name) {
  const std::optional<std::string> utf8 = Utf16ToUtf8(path);
  if (!utf8) return IoResult::Failure("the name is not valid text");
  name = *utf8;
  return IoResult::Success();
}

class NativeFile final : public File {
 public:
  explicit NativeFile(int fd) : fd_(fd) {}
  ~NativeFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  IoResult Read(std::span<uint8_t> into, size_t& got) override {
    got = 0;
    while (got < into.size()) {
      const ssize_t n = ::read(fd_, into.data() + got, into.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Errno();
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    return IoResult::Success();
  }

  IoResult Write(std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Errno();
      done += static_cast<size_t>(n);
    }
    written_ += bytes.size();
    return IoResult::Success();
  }

  IoResult Size(uint64_t& size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Errno();
    size = static_cast<uint64_t>(st.st_size);
    return IoResult::Success();
  }

  IoResult Flush() override { return ::fsync(fd_) == 0 ? IoResult::Success() : Errno(); }

  IoResult Close() override {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? IoResult::Success() : Errno();
  }

  void StartWriteBack() override {
#ifdef __linux__
    ::sync_file_range(fd_, static_cast<off_t>(handedToDisk_),
                      static_cast<off_t>(written_ - handedToDisk_), SYNC_FILE_RANGE_WRITE);
#endif
    handedToDisk_ = written_;
  }

 private:
  int fd_;
  uint64_t written_ = 0;  // the files we write are written in sequence from the start
  uint64_t handedToDisk_ = 0;
};

IoResult Open(const Path& path, int flags, std::unique_ptr<File>& file) {
  std::string name;
  if (IoResult named = NativeName(path, name); !named) return named;
  const int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return Errno();
  file = std::make_unique<NativeFile>(fd);
  return IoResult::Success();
}

class Native final : public FileSystem {
 public:
  IoResult OpenForReading(const Path& path, std::unique_ptr<File>& file) override {
    return Open(path, O_RDONLY, file);
  }
  IoResult CreateNew(const Path& path, std::unique_ptr<File>& file) override {
    return Open(path, O_RDWR | O_CREAT | O_EXCL, file);
  }
  IoResult OpenForReadingAndWriting(const Path& path, std::unique_ptr<File>& file) override {
    return Open(path, O_RDWR, file);
  }
  std::optional<FileIdentity> Identity(const Path& path) override {
    std::string name;
    if (!NativeName(path, name)) return std::nullopt;
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }
  IoResult Replace(const Path& from, const Path& to) override {
    std::string source, target;
    if (IoResult named = NativeName(from, source); !named) return named;
    if (IoResult named = NativeName(to, target); !named) return named;
    return ::rename(source.c_str(), target.c_str()) == 0 ? IoResult::Success() : Errno();
  }
  IoResult Remove(const Path& path) override {
    std::string name;
    if (IoResult named = NativeName(path, name); !named) return named;
    return ::unlink(name.c_str()) == 0 ? IoResult::Success() : Errno();
  }
};

#endif

}  // namespace

FileSystem& NativeFileSystem() {
  static Native native;
  return native;
}

}  // namespace tavrinole
