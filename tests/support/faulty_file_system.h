// The native file system with faults a test can switch on: what a desktop cannot be
// made to do on demand (a full disk, a read error, a file that changes size between
// two opens, a failing move, one file under two names).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "engine/file_system.h"

namespace tavrinole::test_support {

struct Faults {
  int FailOpenForReadingCall = 0;  // 1 = the first open for reading fails, 2 = the second...
  bool FailCreateNew = false;
  bool FailReopenForWriting = false;
  std::optional<uint64_t> ReadErrorAfter;   // bytes read before reads fail
  std::optional<uint64_t> WriteErrorAfter;  // bytes written before writes fail (disk full)
  // From the second open for reading on, the reads end this many bytes early (< 0) or
  // bring one byte more (> 0) than the file's measured size: it changes while read.
  int64_t ContentChangeOnReopen = 0;
  bool FailFlush = false;
  bool FailClose = false;  // closing a written file fails
  bool FailReplace = false;
  std::map<Path, Path> SameFileAs;  // Identity(key) reports the identity of value
};

class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(Faults faults = {}) : faults_(std::move(faults)) {}

  Faults& Set() { return faults_; }
  int OpensForReading() const { return opensForReading_; }

  IoResult OpenForReading(const Path& path, std::unique_ptr<File>& file) override;
  IoResult CreateNew(const Path& path, std::unique_ptr<File>& file) override;
  IoResult OpenForReadingAndWriting(const Path& path, std::unique_ptr<File>& file) override;
  std::optional<FileIdentity> Identity(const Path& path) override;
  IoResult Replace(const Path& from, const Path& to) override;
  IoResult Remove(const Path& path) override;

 private:
  FileSystem& native_ = NativeFileSystem();
  Faults faults_;
  int opensForReading_ = 0;
};

}  // namespace tavrinole::test_support
