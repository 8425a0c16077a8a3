// What the tool says: every message it shows, made from the kind of failure and the
// names the user gave, and the one way they reach standard error. A name is shown in
// quotes, escaped so that it cannot act on the terminal.
#pragma once

#include <string>

#include "cli/cli.h"
#include "cli/file_run.h"
#include "cli/password_input.h"

namespace tavrinole::cli {

inline constexpr const char* Program = "tavrinole-ochrel-cli";
// What a signal or Ctrl-C before any writing, or a cancelled run, is reported as.
inline constexpr const char* Interrupted = "interrupted; nothing was written";

// A message as it is shown: the text and, when there is one, what to do.
struct Message {
  std::string Text;
  std::string Hint;
};

// "tavrinole-ochrel-cli: error: ..." and the hint, on standard error, in one piece.
void Report(const Message& message);

// A name as it can be shown on a terminal: in quotes, with control characters, bytes
// that are not UTF-8 and direction overrides written as \xNN, so no name can move the
// cursor, change colours or disguise itself.
std::string Quoted(const std::string& name);

std::string Describe(const Failure<UsageFault>& failure);
// `passwordFile` as given with --password-file, for the faults of that file.
Message Describe(const Failure<PasswordFault>& failure, const std::string& passwordFile);
Message Describe(const Failure<FileFault>& failure, const FileJob& job);

}  // namespace tavrinole::cli
