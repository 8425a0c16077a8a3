// One file's run, the same for -o and for each file of --output-dir: the checks that
// refuse before any work, then the transform, and the messages that name the files as
// the user gave them. Kept beside the rest of the tool's messages in cli.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/file_transform.h"

namespace tavrinole::cli {

// What went wrong, as it is shown: the message and, when there is one, what to do.
struct Problem {
  std::string Message;
  std::string Hint;
};
using Outcome = Result<void, Problem>;

// One input and the document it becomes, each as given (for messages) and as a path.
struct FileJob {
  FileJob(std::string inputName, std::string outputName);
  std::string InputName;
  std::string OutputName;
  Path Input;
  Path Output;
  uint64_t Size = 0;  // measured by Check
};

// A name as it can be shown on a terminal, in quotes.
std::string Quoted(const std::string& name);

// "tavrinole-ochrel-cli: error: ..." and the hint, on standard error.
void Report(const Problem& problem);
// What a signal or Ctrl-C before any writing, or a cancelled run, is reported as.
inline constexpr const char* Interrupted = "interrupted; nothing was written";

// Refuses an output that is the input itself, whatever name or link reaches it.
[[nodiscard]] Outcome RefuseOwnInput(FileSystem& files, const FileJob& job);

// Everything that can be known before the work: the output is not the input, is not
// something other than a file, and is not there unless `force`; the input is a file of
// a size the keystream takes (measured into job.Size).
[[nodiscard]] Outcome Check(FileSystem& files, FileTransform& transform, FileJob& job, bool force);

// The transform itself, for a job that passed Check.
[[nodiscard]] Outcome Stream(FileTransform& transform, const FileJob& job,
                             const PasswordSlots& slots, const TransformHooks& hooks);

bool IsTerminal(int stream);  // standard input (0) or standard error (2)
// Draws the progress bar over itself; ends the line when `done` reaches `total`.
void DrawProgress(uint64_t done, uint64_t total);

}  // namespace tavrinole::cli
