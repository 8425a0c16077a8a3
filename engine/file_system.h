// Files as the job and the command-line tool use them: UTF-16 paths, every result
// checked, sizes in 64 bits. The native implementation serves the programs; tests put
// a fault-injecting one in its place.
//
// Inputs are opened without blocking and must be regular files. A new document is a
// file nobody can reach by name until it is complete; the publish protocol
// (engine/publish.h) says in what order its steps below are taken.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/access_rules.h"
#include "engine/path.h"
#include "engine/result.h"

namespace tavrinole {

enum class Stage;

// Why an operation failed, where the caller must tell the cases apart.
enum class IoProblem {
  Other,
  NotRegularFile,  // a FIFO, a device, a socket, a folder
  Exists,          // the name is taken and replacing it was not allowed
  Substituted,     // the file under a name is not the one this process made
};

// The outcome of a file operation; the failure's Cause says why, in the system's words.
template <class T = void>
using IoResult = Result<T, IoProblem>;

inline Failure<IoProblem> IoFailure(std::string cause, IoProblem problem = IoProblem::Other) {
  return {problem, std::move(cause)};
}

// Identifies a file whatever path or link reaches it (device and inode on Linux,
// volume serial number and file index on Windows).
struct FileIdentity {
  uint64_t Volume = 0;
  uint64_t Index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What an open file says about itself; a file that changes shows a different stamp.
struct FileStamp {
  uint64_t Size = 0;
  int64_t Modified = 0;  // in the system's own units
  int64_t Changed = 0;   // the inode's change time on Linux, ChangeTime on Windows
  FileAccess Access;     // on Windows the folder's rules apply, and this stays as it is
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// What a name holds, the name itself looked at: a link is not followed.
enum class EntryKind { Missing, RegularFile, SymbolicLink, Other };

// What stands at a name, and the access of a regular file there.
struct NameEntry {
  EntryKind Kind = EntryKind::Missing;
  FileAccess Access;
};

class File {
 public:
  virtual ~File() = default;
  // Reads up to into.size() bytes and says how many it got: fewer only at the end of
  // the file.
  virtual IoResult<size_t> Read(std::span<uint8_t> into) = 0;
  virtual IoResult<> Write(std::span<const uint8_t> bytes) = 0;
  // The file's current length, measured on this handle.
  virtual IoResult<uint64_t> Size() = 0;
  virtual IoResult<FileStamp> Stamp() = 0;
  // Goes back to the start of the file.
  virtual IoResult<> Rewind() = 0;
  // Asks the system to start putting the bytes written so far on the disk, so that a
  // later Flush waits for little. Only a hint: a failure shows at Flush.
  virtual void StartWriteBack() {}
  // Pushes written bytes to the disk.
  virtual IoResult<> Flush() = 0;
  virtual IoResult<> Close() = 0;
};

// A document being written, for the output named at CreateNew: no name reaches it until
// TakeName or SwapIn gives it that one.
class NewFile : public File {
 public:
  // What stands at the output's name now.
  virtual IoResult<NameEntry> AtName() = 0;
  // Gives the document the access the rules (engine/access_rules.h) derive from `from`:
  // the input's access under a new name, or the replaced file's when `replacing`.
  virtual IoResult<> GiveAccess(const FileAccess& from, bool replacing) = 0;
  // Takes the output's name, which must be free: a taken name (by anything, a link
  // included) stays as it is, and the result is IoProblem::Exists.
  virtual IoResult<> TakeName() = 0;
  // Takes the output's name in place of the regular file or link there (the link itself,
  // never its target), in one step; anything else found there is put back and the result
  // is IoProblem::NotRegularFile. Says the stage reached: SwappedIn, or Published when
  // the name had come free meanwhile.
  virtual IoResult<Stage> SwapIn() = 0;
  // Gives the file up after `reached`, and closes it: nothing of it stays on the disk,
  // nor the name it was Published under. Says what could not be undone.
  virtual IoResult<> Abandon(Stage reached) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens a regular file for reading, without waiting on FIFOs or devices: anything
  // else fails with IoProblem::NotRegularFile.
  virtual IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) = 0;
  // Creates the document that will become `output`, in the output's folder, readable
  // by its owner only while it is written.
  virtual IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& output) = 0;
  // The identity of an existing file (links followed); nullopt when none is reached.
  virtual std::optional<FileIdentity> Identity(const Path& path) = 0;
  // What `path` holds: Missing only when there is no such file; a name that cannot be
  // looked at is a failure, with the system's reason.
  virtual IoResult<EntryKind> Kind(const Path& path) = 0;
};

// The steps every platform's files take the same way. A file is read until `into` is full
// or the file ends, through `readSome`, which reads what one call gives (nothing at the
// end); written whole through `writeSome`, which writes what one call takes.
IoResult<size_t> ReadFully(std::span<uint8_t> into,
                           const std::function<IoResult<size_t>(std::span<uint8_t>)>& readSome);
IoResult<> WriteFully(std::span<const uint8_t> bytes,
                      const std::function<IoResult<size_t>(std::span<const uint8_t>)>& writeSome);
// Tries fresh hidden names (TemporaryName) until `make` takes one that was free; `make`
// fails with IoProblem::Exists on a name that is taken. Says the name taken.
IoResult<std::string> WithFreshName(const std::function<IoResult<>(const std::string&)>& make);

// Whether `output` reaches the existing file `input` reaches, by whatever name (a link,
// a different spelling). A name that reaches no file is nobody's.
bool IsSameFile(FileSystem& files, const Path& input, const Path& output);

// The operating system's files.
FileSystem& NativeFileSystem();

// The same, but a new document is a named temporary file even where the system could
// keep it unnamed: the way of file systems without unnamed files, chosen on purpose.
FileSystem& NativeFileSystemWithNamedTemporaries();

}  // namespace tavrinole
