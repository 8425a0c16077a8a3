// The file system of Linux and other POSIX systems: the steps of the publish protocol
// (engine/publish.h) on descriptors, each owned so that nothing is closed by hand.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "engine/file_system.h"
#include "engine/posix_access.h"
#include "engine/publish.h"

namespace tavrinole {
namespace {

Failure<IoProblem> Errno(int error = errno) {
  return IoFailure(std::strerror(error));
}

Failure<IoProblem> NotAFile() {
  return IoFailure("it is not a regular file", IoProblem::NotRegularFile);
}

Failure<IoProblem> NameTaken() {
  return IoFailure(std::strerror(EEXIST), IoProblem::Exists);
}

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

EntryKind KindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return EntryKind::RegularFile;
  return S_ISLNK(st.st_mode) ? EntryKind::SymbolicLink : EntryKind::Other;
}

// What descriptor `fd` reaches (and `name` in it, for a folder), as a path, for calls
// that take only a path.
std::string ThroughProc(int fd, const std::string& name = {}) {
  return "/proc/self/fd/" + std::to_string(fd) + (name.empty() ? "" : "/" + name);
}

// An open descriptor, closed when it goes.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~Descriptor() {
    if (fd_ >= 0) (void)Close();
  }

  int Get() const { return fd_; }
  bool Open() const { return fd_ >= 0; }

  // A close that fails may be a late write error (network file systems report them here).
  IoResult<> Close() {
    if (::close(std::exchange(fd_, -1)) != 0) return Errno();
    return {};
  }

 private:
  int fd_ = -1;
};

// Reading, writing and flushing on a descriptor, for inputs and new documents alike.
template <class Base>
class DescriptorFile : public Base {
 public:
  explicit DescriptorFile(Descriptor fd) : fd_(std::move(fd)) {}

  IoResult<size_t> Read(std::span<uint8_t> into) override {
    return ReadFully(into, [this](std::span<uint8_t> rest) -> IoResult<size_t> {
      ssize_t n;
      do n = ::read(fd_.Get(), rest.data(), rest.size());
      while (n < 0 && errno == EINTR);
      if (n < 0) return Errno();
      return static_cast<size_t>(n);
    });
  }

  IoResult<> Write(std::span<const uint8_t> bytes) override {
    IoResult<> written =
        WriteFully(bytes, [this](std::span<const uint8_t> rest) -> IoResult<size_t> {
          ssize_t n;
          do n = ::write(fd_.Get(), rest.data(), rest.size());
          while (n < 0 && errno == EINTR);
          if (n < 0) return Errno();
          return static_cast<size_t>(n);
        });
    if (written) written_ += bytes.size();
    return written;
  }

  IoResult<uint64_t> Size() override {
    const IoResult<FileStamp> stamp = Stamp();
    if (!stamp) return stamp.Error();
    return stamp->Size;
  }

  IoResult<FileStamp> Stamp() override {
    struct stat st;
    if (::fstat(fd_.Get(), &st) != 0) return Errno();
    return FileStamp{static_cast<uint64_t>(st.st_size), Nanoseconds(st.st_mtim),
                     Nanoseconds(st.st_ctim), AccessOfOpenFile(fd_.Get(), st)};
  }

  IoResult<> Rewind() override {
    if (::lseek(fd_.Get(), 0, SEEK_SET) != 0) return Errno();
    return {};
  }

  IoResult<> Flush() override {
    if (::fsync(fd_.Get()) != 0) return Errno();
    return {};
  }

  IoResult<> Close() override { return fd_.Close(); }

  // Only a hint: a failure shows at Flush.
  void StartWriteBack() override {
    (void)::sync_file_range(fd_.Get(), static_cast<off_t>(handedToDisk_),
                            static_cast<off_t>(written_ - handedToDisk_), SYNC_FILE_RANGE_WRITE);
    handedToDisk_ = written_;
  }

 protected:
  Descriptor fd_;

 private:
  uint64_t written_ = 0;  // the files we write are written in sequence from the start
  uint64_t handedToDisk_ = 0;
};

using InputFile = DescriptorFile<File>;

// A document in its folder: unnamed (O_TMPFILE) until it takes its name, or, where the
// file system cannot do that, under a hidden name made with O_EXCL and only ever used
// through this descriptor. Any name of ours is checked to still be this file before it
// is moved or removed, so a name swapped by someone else is never acted on.
class Document final : public DescriptorFile<NewFile> {
 public:
  Document(Descriptor fd, Descriptor folder, std::string leaf, std::string hidden,
           FileIdentity identity)
      : DescriptorFile(std::move(fd)),
        folder_(std::move(folder)),
        leaf_(std::move(leaf)),
        hidden_(std::move(hidden)),
        identity_(identity) {}
  ~Document() override {
    if (fd_.Open()) (void)Abandon(Stage::Created);
  }

  IoResult<NameEntry> AtName() override {
    struct stat st;
    if (::fstatat(folder_.Get(), leaf_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return NameEntry{};
      return Errno();
    }
    if (!S_ISREG(st.st_mode)) return NameEntry{KindOf(st), {}};
    return NameEntry{KindOf(st), AccessOfName(ThroughProc(folder_.Get(), leaf_), st)};
  }

  IoResult<> GiveAccess(const FileAccess& from, bool replacing) override {
    return GiveDescriptorAccess(fd_.Get(), from, replacing);
  }

  IoResult<> TakeName() override {
    if (hidden_.empty()) return LinkUnnamed(leaf_);
    if (!StillOurs(hidden_)) return Substituted();
    if (::renameat2(folder_.Get(), hidden_.c_str(), folder_.Get(), leaf_.c_str(),
                    RENAME_NOREPLACE) == 0) {
      hidden_.clear();
      return {};
    }
    if (errno == EEXIST) return NameTaken();
    if (errno != EINVAL && errno != ENOSYS) return Errno();
    // No RENAME_NOREPLACE here: a second link never replaces either.
    if (::linkat(folder_.Get(), hidden_.c_str(), folder_.Get(), leaf_.c_str(), 0) != 0) {
      return errno == EEXIST ? NameTaken() : Errno();
    }
    // It has its name. A folder that keeps the hidden one as well keeps it for Abandon.
    if (::unlinkat(folder_.Get(), hidden_.c_str(), 0) == 0) hidden_.clear();
    return {};
  }

  IoResult<Stage> SwapIn() override;

  IoResult<> Abandon(Stage reached) override {
    IoResult<> removed;
    // A new name it took, but could not be closed under.
    if (reached == Stage::Published) removed = Remove(leaf_);
    if (!hidden_.empty()) {
      IoResult<> hiddenRemoved = Remove(hidden_);
      if (removed) removed = std::move(hiddenRemoved);
      hidden_.clear();
    }
    // The document is given up: whatever its close says changes nothing.
    if (fd_.Open()) (void)fd_.Close();
    return removed;
  }

 private:
  bool StillOurs(const std::string& name) const {
    struct stat st;
    return ::fstatat(folder_.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode) && IdentityOf(st) == identity_;
  }

  // Links the unnamed file under `name`.
  IoResult<> LinkUnnamed(const std::string& name) const {
    const std::string self = ThroughProc(fd_.Get());
    int linked = ::linkat(AT_FDCWD, self.c_str(), folder_.Get(), name.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc, the descriptor itself (needs CAP_DAC_READ_SEARCH).
    if (linked != 0 && errno == ENOENT) {
      linked = ::linkat(fd_.Get(), "", folder_.Get(), name.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) return {};
    return errno == EEXIST ? NameTaken() : Errno();
  }

  // A name of ours, if it is still this file. A folder may let names be made but not
  // removed (append-only): then at least nothing of the document stays under the name.
  IoResult<> Remove(const std::string& name) {
    if (!StillOurs(name)) return {};
    if (::unlinkat(folder_.Get(), name.c_str(), 0) == 0) return {};
    const Failure<IoProblem> kept = Errno();
    if (::ftruncate(fd_.Get(), 0) != 0) return Errno();
    return kept;
  }

  // A fresh hidden name for the unnamed file, which a rename needs to move it from.
  IoResult<> TakeHiddenName();

  // A name in the folder: a file, a link, or nothing, may be replaced.
  bool Replaceable(const std::string& name) const {
    struct stat st;
    if (::fstatat(folder_.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return errno == ENOENT;
    }
    return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
  }

  Failure<IoProblem> Substituted() {
    hidden_.clear();  // someone else's now: left alone
    return IoFailure("its temporary file was replaced by another", IoProblem::Substituted);
  }

  Descriptor folder_;
  std::string leaf_;
  std::string hidden_;  // our hidden name in the folder, while it has one
  FileIdentity identity_;
};

IoResult<> Document::TakeHiddenName() {
  IoResult<std::string> name =
      WithFreshName([&](const std::string& tried) { return LinkUnnamed(tried); });
  if (!name) return name.Error();
  hidden_ = std::move(*name);
  return {};
}

// A rename replaces atomically, but it needs a name to move from: the unnamed file gets
// a fresh hidden one first. The two names are swapped rather than one renamed over the
// other, so that what was at the name is looked at once it is out of the way: anything
// but a file or a link is put back.
IoResult<Stage> Document::SwapIn() {
  if (hidden_.empty()) {
    if (IoResult<> named = TakeHiddenName(); !named) return named.Error();
  }
  if (!StillOurs(hidden_)) return Substituted();
  const int folder = folder_.Get();
  if (::renameat2(folder, hidden_.c_str(), folder, leaf_.c_str(), RENAME_EXCHANGE) == 0) {
    if (Replaceable(hidden_)) {
      // The replaced file has the hidden name now. A folder that let the names be swapped
      // lets it be removed.
      (void)::unlinkat(folder, hidden_.c_str(), 0);
      hidden_.clear();
      return Stage::SwappedIn;
    }
    // Put back; should someone have taken it away meanwhile, the document is at the name,
    // and abandoning it removes it from there.
    if (::renameat2(folder, hidden_.c_str(), folder, leaf_.c_str(), RENAME_EXCHANGE) != 0) {
      hidden_ = leaf_;
    }
    return NotAFile();
  }
  // Nothing at the name any more: taken as a new name, never replacing.
  if (errno == ENOENT) {
    if (IoResult<> named = TakeName(); !named) return named.Error();
    return Stage::Published;
  }
  // No swapping on this file system: looked at, then renamed over.
  if (errno != EINVAL && errno != ENOSYS) return Errno();
  if (!Replaceable(leaf_)) return NotAFile();
  if (::renameat(folder, hidden_.c_str(), folder, leaf_.c_str()) != 0) return Errno();
  hidden_.clear();
  return Stage::SwappedIn;
}

class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(bool unnamed) : unnamed_(unnamed) {}

  IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) override {
    const IoResult<std::string> name = NativeName(path);
    if (!name) return name.Error();
    // Never waits: a FIFO without a writer would block a plain open for ever.
    Descriptor fd(::open(name->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Open()) {
      // A socket, or a device without its driver, cannot be opened at all: say what it is.
      const int cause = errno;
      struct stat st;
      if (cause == ENXIO && ::stat(name->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return NotAFile();
      }
      return Errno(cause);
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) return Errno();
    if (!S_ISREG(st.st_mode)) return NotAFile();
    if (::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK) != 0) return Errno();
    return std::unique_ptr<File>(std::make_unique<InputFile>(std::move(fd)));
  }

  IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& output) override {
    const IoResult<std::string> name = NativeName(output);
    if (!name) return name.Error();
    const std::string leaf(FileName(std::string_view(*name)));
    if (leaf.empty() || leaf == "." || leaf == "..") return IoFailure("it is a folder");
    Descriptor folder(
        ::open(FolderOf(std::string_view(*name)).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Open()) return Errno();
    IoResult<Descriptor> unnamed = Unnamed(folder);
    if (!unnamed) return unnamed.Error();
    Descriptor fd = std::move(unnamed).Value();
    std::string hidden;
    if (!fd.Open()) {
      // No unnamed files here: a hidden name, made only if it was free.
      IoResult<std::string> taken = WithFreshName([&](const std::string& tried) -> IoResult<> {
        fd = Descriptor(::openat(folder.Get(), tried.c_str(),
                                 O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                                 0600));
        if (fd.Open()) return {};
        return errno == EEXIST ? NameTaken() : Errno();
      });
      if (!taken) return taken.Error();
      hidden = std::move(*taken);
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) {
      const Failure<IoProblem> failed = Errno();
      if (!hidden.empty() && ::unlinkat(folder.Get(), hidden.c_str(), 0) != 0) return Errno();
      return failed;
    }
    return std::unique_ptr<NewFile>(std::make_unique<Document>(
        std::move(fd), std::move(folder), leaf, std::move(hidden), IdentityOf(st)));
  }

  std::optional<FileIdentity> Identity(const Path& path) override {
    const IoResult<std::string> name = NativeName(path);
    if (!name) return std::nullopt;
    struct stat st;
    if (::stat(name->c_str(), &st) != 0) return std::nullopt;
    return IdentityOf(st);
  }

  IoResult<EntryKind> Kind(const Path& path) override {
    const IoResult<std::string> name = NativeName(path);
    if (!name) return name.Error();
    struct stat st;
    if (::lstat(name->c_str(), &st) != 0) {
      if (errno == ENOENT) return EntryKind::Missing;
      return Errno();
    }
    return KindOf(st);
  }

 private:
  // An unnamed file in `folder`; a closed descriptor where the file system keeps none, or
  // none is wanted.
  IoResult<Descriptor> Unnamed(const Descriptor& folder) const {
    if (!unnamed_) return Descriptor();
    Descriptor fd(::openat(folder.Get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd.Open() || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return fd;
    return Errno();
  }

  const bool unnamed_;
};

}  // namespace

FileSystem& NativeFileSystem() {
  static PosixFileSystem native(true);
  return native;
}

FileSystem& NativeFileSystemWithNamedTemporaries() {
  static PosixFileSystem named(false);
  return named;
}

}  // namespace tavrinole
