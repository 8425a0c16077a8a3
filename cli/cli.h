// The command-line tool: argument parsing, password intake and the run, kept apart
// from main() so the pieces can be reasoned about one by one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/result.h"

namespace tavrinole::cli {

// Exit codes.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;  // the work failed; nothing was created or changed
                                       // (--output-dir: for one file or more; the others are done)
inline constexpr int ExitUsage = 2;    // bad arguments or an unusable password

struct Options {
  std::string Input;
  std::string Output;
  // The other form: every input into one folder, under its own file name.
  std::optional<std::string> OutputDir;
  std::vector<std::string> Inputs;
  std::optional<std::string> PasswordFile;  // "-" for standard input
  bool Force = false;
  bool Quiet = false;
  bool Help = false;
  bool Version = false;
};

// Why the arguments are not usable. The failure's Cause is the argument at fault, where
// there is one.
enum class UsageFault {
  NeedsValue,
  UnknownOption,
  OutputAndOutputDir,
  NoFolder,  // --output-dir was given an empty name
  NoInput,
  OneInputOnly,
  NoOutput,
  NotUtf16,  // Windows handed over an argument that is not text (Cause: its number)
};

Result<Options, UsageFault> ParseArguments(const std::vector<std::string>& arguments);

std::string UsageText();
std::string VersionText();

// Runs the tool; returns the exit code. Messages go to standard error.
int Run(const std::vector<std::string>& arguments);

}  // namespace tavrinole::cli
