// The password: read from the first line of a file, or typed twice on the terminal
// without being shown, and turned into the slots the keypad would fill for it.
#pragma once

#include <cstddef>
#include <string>

#include "cli/cli.h"
#include "engine/keystream_types.h"
#include "engine/result.h"

namespace tavrinole::cli {

// Why there is no usable password. The failure's Cause is the system's reason, or which
// character is at fault, or how many characters were given.
enum class PasswordFault {
  CantOpenFile,
  LineTooLong,  // the file's first line is longer than PasswordFileLimit
  CantReadFile,
  Utf16File,
  NoTerminal,
  InputEnded,   // the terminal's input ended before a line was typed
  Differ,       // the two passwords typed differ
  Interrupted,  // a signal came while the password was typed
  NotUtf8,
  NotOnTheKeypad,
  WrongLength,
};

// Only the first line counts, and a password is short: the file is never read past
// this, so a huge file or an endless one (/dev/zero) is refused at once.
inline constexpr size_t PasswordFileLimit = 256;

// A line as typed, without its "\n" or "\r\n".
std::string WithoutLineEnding(std::string line);

// The password the options say where to find, as slots.
Result<PasswordSlots, PasswordFault> ReadPassword(const Options& options);

}  // namespace tavrinole::cli
