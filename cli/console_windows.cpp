#include "cli/console_windows.h"

#include <windows.h>

#include "cli/cli.h"
#include "cli/messages.h"
#include "cli/terminal.h"
#include "engine/path.h"
#include "engine/utf.h"

namespace tavrinole::cli {
namespace {

std::atomic<std::atomic<bool>*> cancelFlag{nullptr};
HANDLE finished = nullptr;  // set once the run has cleaned up after itself

// The console input whose echo a prompt turned off, its mode before, and where the
// prompt shows.
std::atomic<HANDLE> promptInput{nullptr};
DWORD promptSavedMode = 0;
HANDLE promptOutput = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  return HandleConsoleEvent(event) ? TRUE : FALSE;
}

void InstallHandler() {
  static const bool installed = [] {
    finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  }();
  (void)installed;
}

bool WriteConsoleText(HANDLE output, std::u16string_view text) {
  DWORD written = 0;
  return WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

Result<std::vector<std::string>, UsageFault> Utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    const std::optional<std::string> utf8 =
        Utf16ToUtf8(SameUnits<char16_t>(std::wstring_view(argv[i])));
    if (!utf8) return Fail(UsageFault::NotUtf16, std::to_string(i));
    arguments.push_back(*utf8);
  }
  return arguments;
}

std::optional<std::string> AskConsole(const char* prompt) {
  const HANDLE input =
      CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return std::nullopt;
  const HANDLE output =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD saved = 0;
  if (output == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &saved)) {
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    CloseHandle(input);
    return std::nullopt;
  }
  InstallHandler();
  std::u16string text;
  for (const char* p = prompt; *p; ++p)
    text += static_cast<char16_t>(static_cast<unsigned char>(*p));
  WriteConsoleText(output, text);

  promptSavedMode = saved;
  promptOutput = output;
  promptInput.store(input);
  const DWORD quiet =
      (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT;
  SetConsoleMode(input, quiet);
  wchar_t buffer[1024];
  DWORD got = 0;
  const bool read =
      ReadConsoleW(input, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) != 0;
  // The handler may have taken the prompt already; then it restores the mode itself.
  if (promptInput.exchange(nullptr) != nullptr) SetConsoleMode(input, saved);
  WriteConsoleText(output, u"\r\n");
  CloseHandle(output);
  CloseHandle(input);
  if (!read) return std::nullopt;

  std::u16string typed = SameUnits<char16_t>(std::wstring_view(buffer, got));
  while (!typed.empty() && (typed.back() == u'\n' || typed.back() == u'\r')) typed.pop_back();
  return Utf16ToUtf8(typed);
}

bool HandleConsoleEvent(unsigned long event) {
  if (HANDLE input = promptInput.exchange(nullptr)) {
    // Nothing has been written yet: give the console its echo back, say so and end at once.
    SetConsoleMode(input, promptSavedMode);
    WriteConsoleText(promptOutput, u"\r\n");
    Report({Interrupted, {}});
    ExitProcess(ExitFailure);
  }
  std::atomic<bool>* cancel = cancelFlag.load();
  if (cancel == nullptr) return false;  // the system's default: end the process
  cancel->store(true);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return true;
  // Closing, logging off or shutting down: the system ends the process once this
  // returns, so the run gets a few seconds to remove what it began.
  if (finished) WaitForSingleObject(finished, 4000);
  return true;
}

bool IsTerminal(int stream) {
  return IsConsole(stream);
}

// Until the run begins the system's default ends the program on Ctrl-C: nothing needs
// undoing yet. A prompt takes the console's events for itself while it waits.
void WatchSignals() {}

const std::atomic<bool>& CancelRunOnSignals() {
  static std::atomic<bool> interrupted{false};  // the run's cancel, set by a console event
  WatchConsoleEvents(interrupted);
  return interrupted;
}

Result<std::string, PasswordFault> AskTerminal(const char* prompt) {
  std::optional<std::string> line = AskConsole(prompt);
  if (!line) return Fail(PasswordFault::NoTerminal);
  return std::move(*line);
}

bool IsConsole(int stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream == 0 ? STD_INPUT_HANDLE : STD_ERROR_HANDLE), &mode) !=
         0;
}

void WatchConsoleEvents(std::atomic<bool>& cancel) {
  cancelFlag.store(&cancel);
  InstallHandler();
  ResetEvent(finished);  // a run of its own: an earlier run's end does not end this one's
}

void RunFinished() {
  if (finished) SetEvent(finished);
}

Utf8ConsoleOutput::Utf8ConsoleOutput() {
  saved_ = GetConsoleOutputCP();
  if (saved_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
  if (saved_ != 0) SetConsoleOutputCP(saved_);
}

}  // namespace tavrinole::cli
