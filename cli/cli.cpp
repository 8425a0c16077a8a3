#include "cli/cli.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "engine/file_transform.h"
#include "engine/mixer_factory.h"
#include "engine/password.h"
#include "engine/utf.h"
#include "tavrinole/version.h"

#ifdef _WIN32
#include "cli/console_windows.h"
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace tavrinole::cli {
namespace {

constexpr const char* Program = "tavrinole-ochrel-cli";

int Error(const std::string& message, int code = ExitFailure, const std::string& hint = {}) {
  std::cerr << Program << ": error: " << message << "\n";
  if (!hint.empty()) std::cerr << Program << ": hint: " << hint << "\n";
  return code;
}

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

std::string WithCause(const std::string& what, const std::string& cause) {
  return cause.empty() ? what : what + ": " + cause;
}

// ---------------------------------------------------------------------------
// The password.

void StripLineEnding(std::string& line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

bool ReadFirstLine(const std::string& name, std::string& line, std::string& error) {
  std::istream* in = &std::cin;
  std::ifstream file;
  if (name != "-") {
#ifdef _WIN32
    // The name is UTF-8; a narrow name would go through the ANSI code page.
    file.open(std::filesystem::path(std::u8string(name.begin(), name.end())), std::ios::binary);
#else
    file.open(name, std::ios::binary);
#endif
    if (!file) {
      error = "can't open the password file " + Quoted(name);
      return false;
    }
    in = &file;
  }
  std::getline(*in, line);
  if (in->bad()) {
    error = "can't read the password file " + Quoted(name);
    return false;
  }
  StripLineEnding(line);
  return true;
}

#ifndef _WIN32
// Reads one line from the terminal with echo off.
bool AskTerminal(const char* prompt, std::string& line) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (!tty) return false;
  const int fd = fileno(tty);
  termios saved{};
  const bool isTerminal = tcgetattr(fd, &saved) == 0;
  if (isTerminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt, tty);
  std::fflush(tty);
  char buffer[1024];
  const bool got = std::fgets(buffer, sizeof buffer, tty) != nullptr;
  if (isTerminal) tcsetattr(fd, TCSAFLUSH, &saved);
  std::fputs("\n", tty);
  std::fclose(tty);
  if (!got) return false;
  line = buffer;
  StripLineEnding(line);
  return true;
}
#else
bool AskTerminal(const char* prompt, std::string& line) {
  return AskConsole(prompt, line);
}
#endif

bool AskPassword(std::string& password, std::string& error) {
  std::string again;
  if (!AskTerminal("Password: ", password) || !AskTerminal("Repeat the password: ", again)) {
    error = "no terminal to ask the password on";
    return false;
  }
  if (password != again) {
    error = "the two passwords differ";
    return false;
  }
  return true;
}

// Turns password text into the slots the keypad would fill for it.
bool PasswordSlotsFor(const std::string& text, PasswordSlots& slots, std::string& error) {
  const PasswordKeys keys = KeyIndicesFromUtf8(text);
  if (!keys.Ok()) {
    error = "the password's " + keys.Error;
    return false;
  }
  const size_t length = keys.KeyIndices.size();
  if (length < static_cast<size_t>(MinPasswordLength) ||
      length > static_cast<size_t>(MaxPasswordLength)) {
    error = "the password has " + std::to_string(length) + " characters; it needs 5 to 20";
    return false;
  }
  slots = SlotsFromPresses(keys.KeyIndices);
  return true;
}

// ---------------------------------------------------------------------------
// Progress and interruption.

std::atomic<bool> interrupted{false};

#ifndef _WIN32
extern "C" void OnInterrupt(int) {
  interrupted.store(true);
}
#endif

void WatchInterrupts() {
#ifdef _WIN32
  WatchConsoleEvents(interrupted);
#else
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
#endif
}

bool StandardErrorIsTerminal() {
#ifndef _WIN32
  return isatty(STDERR_FILENO) == 1;
#else
  return StandardErrorIsConsole();
#endif
}

void DrawProgress(uint64_t done, uint64_t total) {
  constexpr int Width = 40;
  const int filled = static_cast<int>(done * Width / total);
  std::fprintf(stderr, "\r[%s%s] %3d%%  %.1f / %.1f MiB", std::string(filled, '#').c_str(),
               std::string(Width - filled, ' ').c_str(), static_cast<int>(done * 100 / total),
               static_cast<double>(done) / 1048576.0, static_cast<double>(total) / 1048576.0);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

// ---------------------------------------------------------------------------
// The run.

std::string Describe(const TransformFailure& failure, const Options& options) {
  const std::string in = Quoted(options.Input), out = Quoted(options.Output);
  switch (failure.Step) {
    case TransformStep::OpenInput:
      return WithCause("can't open " + in, failure.Cause);
    case TransformStep::MeasureInput:
      return WithCause("can't measure " + in, failure.Cause);
    case TransformStep::TooSmall:
      return in + " is too small: a document needs at least 4 bytes";
    case TransformStep::TooBig:
      return in + " is too big: a document must be smaller than 4 GiB";
    case TransformStep::SameFile:
      return out + " is the input file itself";
    case TransformStep::ReopenInput:
      return WithCause("can't open " + in + " again", failure.Cause);
    case TransformStep::InputChanged:
      return WithCause(in + " changed while it was encoded", failure.Cause);
    case TransformStep::CreateOutput:
      return WithCause("can't create a new file beside " + out, failure.Cause);
    case TransformStep::ReopenOutput:
      return WithCause("can't open the new file beside " + out, failure.Cause);
    case TransformStep::Read:
      return WithCause("can't read " + in, failure.Cause);
    case TransformStep::Write:
      return WithCause("can't write the new document " + out, failure.Cause);
    case TransformStep::Finish:
      return WithCause("can't finish the new document " + out, failure.Cause);
    case TransformStep::Replace:
      return WithCause("can't put the new document in place as " + out, failure.Cause);
    case TransformStep::Cancelled:
      return "interrupted; nothing was written";
  }
  return "unknown failure";
}

bool ToPath(const std::string& name, Path& path) {
  const std::optional<std::u16string> wide = Utf8ToUtf16(name);
  if (wide) path = *wide;
  return wide.has_value();
}

int Transform(const Options& options, const PasswordSlots& slots) {
  Path input, output;
  if (!ToPath(options.Input, input))
    return Error(Quoted(options.Input) + " is not a valid UTF-8 name");
  if (!ToPath(options.Output, output))
    return Error(Quoted(options.Output) + " is not a valid UTF-8 name");
  FileSystem& files = NativeFileSystem();
  const std::optional<FileIdentity> existing = files.Identity(output);
  if (existing && existing == files.Identity(input)) {
    return Error(Quoted(options.Output) + " is the input file itself", ExitFailure,
                 "choose another output; the input stays as it is");
  }
  if (existing && !options.Force) {
    return Error(Quoted(options.Output) + " already exists", ExitFailure,
                 "use --force to replace it");
  }

  std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
  FileTransform transform(files, *mixer);
  uint64_t size = 0;
  if (TransformStatus failed = transform.Measure(input, size))
    return Error(Describe(*failed, options));

  TransformHooks hooks;
  hooks.Cancel = &interrupted;
  if (!options.Quiet && StandardErrorIsTerminal()) hooks.Progress = DrawProgress;
  WatchInterrupts();
  if (TransformStatus failed = transform.Stream(input, size, output, slots, hooks)) {
    if (hooks.Progress) std::fputc('\n', stderr);
    return Error(Describe(*failed, options));
  }
  return ExitOk;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  Options& o = parsed.Values;
  std::vector<std::string> inputs;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= arguments.size()) {
        parsed.Error = a + " needs a value";
        return false;
      }
      into = arguments[++i];
      return true;
    };
    if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
      inputs.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "-o" || a == "--output") {
      if (!value(o.Output)) return parsed;
    } else if (a.rfind("--output=", 0) == 0) {
      o.Output = a.substr(9);
    } else if (a == "--password-file") {
      std::string file;
      if (!value(file)) return parsed;
      o.PasswordFile = file;
    } else if (a.rfind("--password-file=", 0) == 0) {
      o.PasswordFile = a.substr(16);
    } else if (a == "-f" || a == "--force") {
      o.Force = true;
    } else if (a == "-q" || a == "--quiet") {
      o.Quiet = true;
    } else if (a == "-h" || a == "--help") {
      o.Help = true;
    } else if (a == "--version") {
      o.Version = true;
    } else {
      parsed.Error = "unknown option " + a;
      return parsed;
    }
  }
  if (o.Help || o.Version) return parsed;
  if (inputs.size() != 1) {
    parsed.Error = inputs.empty() ? "no INPUT given" : "only one INPUT may be given";
  } else if (o.Output.empty()) {
    parsed.Error = "no OUTPUT given (-o OUTPUT)";
  } else {
    o.Input = inputs.front();
  }
  return parsed;
}

std::string UsageText() {
  return R"(Usage: tavrinole-ochrel-cli [--password-file FILE] [--force] [--quiet] -o OUTPUT INPUT

Encodes INPUT with a password into OUTPUT, or decodes it: the same command with the
same password on OUTPUT gives INPUT back byte for byte. Documents are those of the
Tavrinole-Ochrel desktop program, which this tool reads and writes alike.

Options:
  -o, --output OUTPUT     the new document; written exactly there, complete or not at all
  --password-file FILE    read the password from the first line of FILE ("-" for
                          standard input) instead of asking for it twice on the terminal
  -f, --force             replace OUTPUT if it exists (never the INPUT itself)
  -q, --quiet             no progress bar
  -h, --help              this text
  --version               the version

The password has 5 to 20 characters, each one of the 52 keys of the program's keypad:
  A-Z (capitals), 0-9, @ £ $ space = < > + - x / % ! ? ( )   ("x" is lower case)
As in the desktop program, only the first 19 characters take part in the encoding.

INPUT must have at least 4 bytes and less than 4 GiB.

Exit status: 0 done; 1 the work failed (nothing was created or changed);
2 bad arguments or an unusable password.

Example:
  tavrinole-ochrel-cli -o report.pdf.tvr report.pdf
  tavrinole-ochrel-cli -o report-again.pdf report.pdf.tvr
)";
}

std::string VersionText() {
  return std::string(Program) + " " TAVRINOLE_VERSION_TEXT " (Ochrel edition)\n";
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = ParseArguments(arguments);
  const Options& options = parsed.Values;
  if (!parsed.Error.empty())
    return Error(parsed.Error, ExitUsage, "see tavrinole-ochrel-cli --help");
  if (options.Help) {
    std::cout << UsageText();
    return ExitOk;
  }
  if (options.Version) {
    std::cout << VersionText();
    return ExitOk;
  }
  std::string password, error;
  const bool got = options.PasswordFile ? ReadFirstLine(*options.PasswordFile, password, error)
                                        : AskPassword(password, error);
  if (!got) return Error(error, ExitUsage);
  PasswordSlots slots;
  if (!PasswordSlotsFor(password, slots, error)) return Error(error, ExitUsage);
  return Transform(options, slots);
}

}  // namespace tavrinole::cli
