// The terminal the tool runs on, and the signals (POSIX) or console events (Windows)
// that reach it: whether a standard stream is a terminal, a password typed on it
// without being shown, and a run that a signal cancels. Whatever ends a prompt, the
// terminal's echo comes back.
#pragma once

#include <atomic>
#include <string>

#include "cli/password_input.h"

namespace tavrinole::cli {

// Whether standard input (0) or standard error (2) is a terminal.
bool IsTerminal(int stream);

// Shows `prompt` on the terminal and reads one line with echo off, without its line end.
Result<std::string, PasswordFault> AskTerminal(const char* prompt);

// Until the run begins nothing needs undoing, so a signal ends the program at once, also
// while it waits for a password from a pipe or a FIFO that sends nothing.
void WatchSignals();

// From here a signal (Ctrl-C, a closing console) cancels the run, which removes
// whatever it began: the flag it sets.
const std::atomic<bool>& CancelRunOnSignals();

}  // namespace tavrinole::cli
