// One file's run, the same for -o and for each file of --output-dir: the checks that
// refuse before any work, then the transform.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "engine/file_transform.h"

namespace tavrinole::cli {

// A file at the output's name, and no --force: it stays as it is.
struct KeptWithoutForce {
  friend bool operator==(KeptWithoutForce, KeptWithoutForce) = default;
};

// Why one file was not done: before any work, a name the system would not take or an
// output that is kept; then a step of the transform.
using FileFault = std::variant<NameProblem, KeptWithoutForce, TransformStep>;
using FileResult = Result<void, FileFault>;

// One input and the document it becomes, each as given (for messages) and as a path.
struct FileJob {
  FileJob(std::string inputName, std::string outputName);
  std::string InputName;
  std::string OutputName;
  Path Input;
  Path Output;
  uint64_t Size = 0;  // measured by Check
};

// Everything that can be known before the work: the output's name is one the system
// takes, the output is not the input, is not something other than a file, and is not
// there unless `force`; the input is a file of a size the keystream takes (measured into
// job.Size).
[[nodiscard]] FileResult Check(FileSystem& files, FileTransform& transform, FileJob& job,
                               bool force);

// The transform itself, for a job that passed Check.
[[nodiscard]] FileResult Stream(FileTransform& transform, const FileJob& job,
                                const PasswordSlots& slots, const TransformHooks& hooks);

}  // namespace tavrinole::cli
