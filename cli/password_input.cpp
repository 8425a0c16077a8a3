#include "cli/password_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "cli/terminal.h"
#include "engine/password.h"
#include "engine/path.h"

namespace tavrinole::cli {
namespace {

Result<std::string, PasswordFault> ReadFirstLine(const std::string& name) {
  std::istream* in = &std::cin;
  std::ifstream file;
  if (name != "-") {
    file.open(StandardPath(name), std::ios::binary);
    if (!file) return Fail(PasswordFault::CantOpenFile, std::strerror(errno));
    in = &file;
  }
  std::string line;
  for (char c; in->get(c) && c != '\n';) {
    if (line.size() == PasswordFileLimit) return Fail(PasswordFault::LineTooLong);
    line += c;
  }
  if (in->bad()) return Fail(PasswordFault::CantReadFile);
  // What Notepad calls "Unicode": two bytes a character, which no keypad password is.
  if (line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF") ||
      line.find('\0') != std::string::npos) {
    return Fail(PasswordFault::Utf16File);
  }
  // Editors on Windows may start a UTF-8 file with a byte order mark.
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  return WithoutLineEnding(std::move(line));
}

Result<std::string, PasswordFault> AskTwice() {
  const Result<std::string, PasswordFault> password = AskTerminal("Password: ");
  if (!password) return password;
  const Result<std::string, PasswordFault> again = AskTerminal("Repeat the password: ");
  if (!again) return again;
  if (*password != *again) return Fail(PasswordFault::Differ);
  return *password;
}

// Turns password text into the slots the keypad would fill for it.
Result<PasswordSlots, PasswordFault> SlotsFor(const std::string& text) {
  const Result<std::vector<int32_t>, KeyFault> keys = KeyIndicesFromUtf8(text);
  if (!keys) {
    const bool utf8 = keys.Error().What != KeyFault::NotUtf8;
    return Fail(utf8 ? PasswordFault::NotOnTheKeypad : PasswordFault::NotUtf8, keys.Error().Cause);
  }
  const size_t length = keys->size();
  if (length < static_cast<size_t>(MinPasswordLength) ||
      length > static_cast<size_t>(MaxPasswordLength)) {
    return Fail(PasswordFault::WrongLength, std::to_string(length));
  }
  return SlotsFromPresses(*keys);
}

}  // namespace

std::string WithoutLineEnding(std::string line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

Result<PasswordSlots, PasswordFault> ReadPassword(const Options& options) {
  // Typed at a terminal, even as standard input, a password is never shown.
  const bool typed = options.PasswordFile == "-" && IsTerminal(0);
  const Result<std::string, PasswordFault> password = !options.PasswordFile ? AskTwice()
                                                      : typed
                                                          ? AskTerminal("Password: ")
                                                          : ReadFirstLine(*options.PasswordFile);
  if (!password) return password.Error();
  return SlotsFor(*password);
}

}  // namespace tavrinole::cli
