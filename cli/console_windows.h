// The Windows console for the command-line tool: UTF-16 arguments, the password typed
// without echo, and the console's Ctrl-C and close events turned into a cancel.
#pragma once

#ifdef _WIN32

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace tavrinole::cli {

// The arguments as UTF-8; UsageFault::NotUtf16 for one that is not valid UTF-16.
Result<std::vector<std::string>, UsageFault> Utf8Arguments(int argc, wchar_t** argv);

// Shows the prompt on the console and reads one line with echo off; the console's
// mode is restored on every way out, a Ctrl-C included. Nothing without a console.
[[nodiscard]] std::optional<std::string> AskConsole(const char* prompt);

// Whether standard input (0) or standard error (2) is the console.
[[nodiscard]] bool IsConsole(int stream);

// From now on Ctrl-C, Ctrl-Break, closing the console, logging off and shutting down
// set `cancel`. For the last three the system ends the process as soon as the handler
// returns, so the handler waits (a few seconds at most) for RunFinished().
void WatchConsoleEvents(std::atomic<bool>& cancel);
void RunFinished();

// What the installed handler does with a console event (CTRL_C_EVENT, CTRL_CLOSE_EVENT,
// ...): true when the event is handled and the process goes on, for now.
bool HandleConsoleEvent(unsigned long event);

// Messages are UTF-8; a console shows them as such while this lives.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  ~Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  unsigned saved_ = 0;
};

}  // namespace tavrinole::cli

#endif
