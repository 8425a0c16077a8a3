// The native file system with faults a test can switch on: what a desktop cannot be
// made to do on demand (a full disk, a read error, a file that changes size between
// two opens, a failing move, one file under two names), and a seam just before a new
// document is published, where a test plays another process (a file appearing at the
// output's name, a swapped temporary name) without hoping for a lucky timing.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "engine/file_system.h"

namespace tavrinole::test_support {

struct Faults {
  int FailOpenForReadingCall = 0;  // 1 = the first open for reading fails, 2 = the second...
  bool FailCreateNew = false;
  bool FailRewind = false;                  // making the new document ready for writing fails
  std::optional<uint64_t> ReadErrorAfter;   // bytes read before reads fail
  std::optional<uint64_t> WriteErrorAfter;  // bytes written before writes fail (disk full)
  // From the second open for reading on, the reads end this many bytes early (< 0) or
  // bring one byte more (> 0) than the file's measured size: it changes while read.
  int64_t ContentChangeOnReopen = 0;
  bool FailFlush = false;
  bool FailClose = false;           // closing a written file fails
  bool FailReplace = false;         // giving the document its name fails
  std::map<Path, Path> SameFileAs;  // Identity(key) reports the identity of value
  // Runs when the complete document is about to be published.
  std::function<void()> BeforePublish;
};

class FaultyFileSystem final : public FileSystem {
 public:
  // `inner` is the native file system, or the one with named temporary files.
  explicit FaultyFileSystem(Faults faults = {}, FileSystem& inner = NativeFileSystem())
      : native_(inner), faults_(std::move(faults)) {}

  Faults& Set() { return faults_; }
  int OpensForReading() const { return opensForReading_; }

  IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) override;
  IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& output) override;
  std::optional<FileIdentity> Identity(const Path& path) override;
  IoResult<EntryKind> Kind(const Path& path) override { return native_.Kind(path); }

 private:
  FileSystem& native_;
  Faults faults_;
  int opensForReading_ = 0;
};

}  // namespace tavrinole::test_support
