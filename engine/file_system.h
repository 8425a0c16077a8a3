// Files as the job and the command-line tool use them: UTF-16 paths, every result
// checked, sizes in 64 bits. The native implementation serves the programs; tests put
// a fault-injecting one in its place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tavrinole {

using Path = std::u16string;

// The outcome of a file operation; Cause says why it failed, in the system's words.
struct [[nodiscard]] IoResult {
  bool Ok = true;
  std::string Cause;

  static IoResult Success() { return {}; }
  static IoResult Failure(std::string cause) { return {false, std::move(cause)}; }
  explicit operator bool() const { return Ok; }
};

// Identifies a file whatever path or link reaches it (device and inode on Linux,
// volume serial number and file index on Windows).
struct FileIdentity {
  uint64_t Volume = 0;
  uint64_t Index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

class File {
 public:
  virtual ~File() = default;
  // Reads up to into.size() bytes; `got` < into.size() only at the end of the file.
  virtual IoResult Read(std::span<uint8_t> into, size_t& got) = 0;
  virtual IoResult Write(std::span<const uint8_t> bytes) = 0;
  // The file's current length, measured on this handle.
  virtual IoResult Size(uint64_t& size) = 0;
  // Asks the system to start putting the bytes written so far on the disk, so that a
  // later Flush waits for little. Only a hint: a failure shows at Flush.
  virtual void StartWriteBack() {}
  // Pushes written bytes to the disk.
  virtual IoResult Flush() = 0;
  virtual IoResult Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual IoResult OpenForReading(const Path& path, std::unique_ptr<File>& file) = 0;
  // Creates a new file that must not exist yet (the caller picks a fresh name).
  virtual IoResult CreateNew(const Path& path, std::unique_ptr<File>& file) = 0;
  // Opens an existing file for reading and writing, positioned at its start.
  virtual IoResult OpenForReadingAndWriting(const Path& path, std::unique_ptr<File>& file) = 0;
  // The identity of an existing file (links followed); nullopt when it does not exist.
  virtual std::optional<FileIdentity> Identity(const Path& path) = 0;
  // Moves `from` over `to` in one step, replacing what `to` held.
  virtual IoResult Replace(const Path& from, const Path& to) = 0;
  virtual IoResult Remove(const Path& path) = 0;
};

// The operating system's files.
FileSystem& NativeFileSystem();

}  // namespace tavrinole
