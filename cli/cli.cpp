#include "cli/cli.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/batch.h"
#include "cli/file_run.h"
#include "engine/mixer_factory.h"
#include "engine/password.h"
#include "engine/path.h"
#include "engine/terminating_signals.h"
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

}  // namespace

// In one piece, so that messages from the workers of --output-dir never interleave.
void Report(const Problem& problem) {
  std::string text = std::string(Program) + ": error: " + problem.Message + "\n";
  if (!problem.Hint.empty()) text += std::string(Program) + ": hint: " + problem.Hint + "\n";
  std::cerr << text << std::flush;
}

namespace {

int Error(const std::string& message, int code = ExitFailure, const std::string& hint = {}) {
  Report({message, hint});
  return code;
}

}  // namespace

// A name as it can be shown on a terminal: in quotes, with control characters, bytes
// that are not UTF-8 and direction overrides written as \xNN, so no name can move the
// cursor, change colours or disguise itself.
std::string Quoted(const std::string& name) {
  // On Windows '\' is the separator, which no name holds: shown as typed.
  constexpr bool BackslashSeparates = NativeStyle == PathStyle::Windows;
  std::string out = "\"";
  for (size_t at = 0; at < name.size();) {
    const Utf8Char c = DecodeUtf8At(name, at);
    const size_t length = c.Length == 0 ? 1 : c.Length;
    const char32_t v = c.Value;
    if (c.Length == 0 || HiddenInNames(v)) {
      out += EscapedBytes(std::string_view(name).substr(at, length));
    } else {
      if (v == '"' || (v == '\\' && !BackslashSeparates)) out += '\\';
      out.append(name, at, length);
    }
    at += length;
  }
  return out + "\"";
}

namespace {

std::string WithCause(const std::string& what, const std::string& cause) {
  return cause.empty() ? what : what + ": " + cause;
}

// ---------------------------------------------------------------------------
// The password.

void StripLineEnding(std::string& line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

// Only the first line counts, and a password is short: the file is never read past
// this, so a huge file or an endless one (/dev/zero) is refused at once.
constexpr size_t PasswordFileLimit = 256;

constexpr const char* NoTerminal = "no terminal to ask the password on";

Checked<std::string> ReadFirstLine(const std::string& name) {
  std::istream* in = &std::cin;
  std::ifstream file;
  if (name != "-") {
    file.open(StandardPath(name), std::ios::binary);
    if (!file) {
      return Fail(WithCause("can't open the password file " + Quoted(name), std::strerror(errno)));
    }
    in = &file;
  }
  std::string line;
  for (char c; in->get(c) && c != '\n';) {
    if (line.size() == PasswordFileLimit) {
      return Fail("the first line of the password file " + Quoted(name) + " is longer than " +
                  std::to_string(PasswordFileLimit) + " bytes");
    }
    line += c;
  }
  if (in->bad()) return Fail("can't read the password file " + Quoted(name));
  // What Notepad calls "Unicode": two bytes a character, which no keypad password is.
  if (line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF") ||
      line.find('\0') != std::string::npos) {
    return Fail("the password file " + Quoted(name) + " is UTF-16 text; save it as UTF-8");
  }
  // Editors on Windows may start a UTF-8 file with a byte order mark.
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  StripLineEnding(line);
  return line;
}

// ---------------------------------------------------------------------------
// Signals. Whatever ends the program, the terminal gets its echo back; during a run,
// every terminating signal that can be caught is a cancel, so nothing is left behind.

std::atomic<bool> interrupted{false};

#ifndef _WIN32
// The terminal whose echo is off while a password is typed, and how it was before.
volatile sig_atomic_t promptTerminal = -1;
termios promptSaved{}, promptQuiet{};

// A shell that stops the program at a prompt (Ctrl-Z) gives the terminal its echo back;
// it goes off again as the prompt continues.
extern "C" void OnContinue(int) {
  const int error = errno;
  if (const int fd = promptTerminal; fd >= 0) tcsetattr(fd, TCSANOW, &promptQuiet);
  errno = error;
}

// Until the run begins nothing needs undoing, so a signal ends the program at once, also
// while it waits for a password from a terminal, a pipe or a FIFO that sends nothing.
volatile sig_atomic_t running = 0;

extern "C" void OnTerminatingSignal(int) {
  if (const int fd = promptTerminal; fd >= 0) {
    tcsetattr(fd, TCSANOW, &promptSaved);
    (void)!write(fd, "\n", 1);
  }
  if (running == 0) {
    for (const char* part : {Program, ": error: ", Interrupted, "\n"}) {
      (void)!write(STDERR_FILENO, part, std::strlen(part));
    }
    _exit(ExitFailure);
  }
  interrupted.store(true);
}

void WatchSignals() {
  CatchTerminatingSignals(OnTerminatingSignal);
}

// From here a signal cancels the run, which removes whatever it began.
void CancelRunOnSignals() {
  running = 1;
}

// Reads one line from the terminal with echo off.
Checked<std::string> AskTerminal(const char* prompt) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (!tty) return Fail(NoTerminal);
  const int fd = fileno(tty);
  termios saved{};
  const bool isTerminal = tcgetattr(fd, &saved) == 0;
  struct sigaction continued = {};
  struct sigaction before = {};
  if (isTerminal) {
    promptQuiet = saved;
    promptQuiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    promptSaved = saved;
    promptTerminal = fd;
    continued.sa_handler = OnContinue;
    continued.sa_flags = SA_RESTART;
    sigaction(SIGCONT, &continued, &before);
    tcsetattr(fd, TCSAFLUSH, &promptQuiet);
  }
  std::fputs(prompt, tty);
  std::fflush(tty);
  char buffer[1024];
  const bool got = std::fgets(buffer, sizeof buffer, tty) != nullptr;
  if (isTerminal) {
    tcsetattr(fd, TCSAFLUSH, &saved);
    promptTerminal = -1;
    sigaction(SIGCONT, &before, nullptr);
  }
  std::fputs("\n", tty);
  std::fclose(tty);
  if (!got) return Fail("no password was typed: the input ended");
  std::string line = buffer;
  StripLineEnding(line);
  return line;
}
#else
// Until the run begins the system's default ends the program on Ctrl-C: nothing needs
// undoing yet. A prompt takes the console's events for itself while it waits.
void WatchSignals() {}

void CancelRunOnSignals() {
  WatchConsoleEvents(interrupted);
}

Checked<std::string> AskTerminal(const char* prompt) {
  std::optional<std::string> line = AskConsole(prompt);
  if (!line) return Fail(NoTerminal);
  return std::move(*line);
}
#endif

Checked<std::string> AskPassword() {
  const Checked<std::string> password = AskTerminal("Password: ");
  if (!password) return password;
  const Checked<std::string> again = AskTerminal("Repeat the password: ");
  if (!again) return again;
  if (*password != *again) return Fail("the two passwords differ");
  return *password;
}

// Turns password text into the slots the keypad would fill for it.
Checked<PasswordSlots> PasswordSlotsFor(const std::string& text) {
  const Checked<std::vector<int32_t>> keys = KeyIndicesFromUtf8(text);
  if (!keys) return Fail("the password's " + keys.Error().What);
  const size_t length = keys->size();
  if (length < static_cast<size_t>(MinPasswordLength) ||
      length > static_cast<size_t>(MaxPasswordLength)) {
    return Fail("the password has " + std::to_string(length) + " characters; it needs 5 to 20");
  }
  return SlotsFromPresses(*keys);
}

}  // namespace

// ---------------------------------------------------------------------------
// Progress.

bool IsTerminal(int stream) {
#ifndef _WIN32
  return isatty(stream) == 1;
#else
  return IsConsole(stream);
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
// The run of one file.

namespace {

std::string Describe(const TransformFailure& failure, const FileJob& job) {
  const std::string in = Quoted(job.InputName), out = Quoted(job.OutputName);
  switch (failure.What) {
    case TransformStep::OpenInput:
      return WithCause("can't open " + in, failure.Cause);
    case TransformStep::NotAFile:
      return in + " is not a regular file; FIFOs, devices and folders can't be encoded";
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
    case TransformStep::OutputExists:
      return out + " was created by someone else during the run; it was kept";
    case TransformStep::OutputNotRegular:
      return out + " is not a regular file; it is never replaced";
    case TransformStep::CreateOutput:
      return WithCause("can't create a new file beside " + out, failure.Cause);
    case TransformStep::RewindOutput:
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
      return Interrupted;
  }
  return "unknown failure";
}

}  // namespace

// Names are bytes: any name the file system takes works, UTF-8 or not.
FileJob::FileJob(std::string inputName, std::string outputName)
    : InputName(std::move(inputName)),
      OutputName(std::move(outputName)),
      Input(PathFromName(InputName)),
      Output(PathFromName(OutputName)) {}

constexpr const char* OwnInputHint = "choose another output; the input stays as it is";

Outcome RefuseOwnInput(FileSystem& files, const FileJob& job) {
  if (!IsSameFile(files, job.Input, job.Output)) return {};
  return Fail(Problem{Describe(Fail(TransformStep::SameFile), job), OwnInputHint});
}

namespace {

// What is wrong with the output's own file name, if anything.
std::string NameFault(const FileJob& job) {
  const Result<void, NameProblem> name = CheckFileName(job.Output);
  if (name) return {};
  switch (name.Error().What) {
    case NameProblem::ForbiddenCharacter:
      return "has a character that Windows does not allow in a file name (< > : \" | ? *)";
    case NameProblem::NoName:
      return "names a folder; give the new document a file name";
    case NameProblem::TooLong:
      return "is too long";
  }
  return "is not a file name";
}

}  // namespace

Outcome Check(FileSystem& files, FileTransform& transform, FileJob& job, bool force) {
  if (const std::string fault = NameFault(job); !fault.empty()) {
    return Fail(Problem{"the name " + Quoted(job.OutputName) + " " + fault,
                        "choose another name; nothing was written"});
  }
  const TransformResult<EntryKind> existing = CheckOutput(files, job.Input, job.Output);
  if (!existing) {
    const bool own = existing.Error().What == TransformStep::SameFile;
    return Fail(Problem{Describe(existing.Error(), job), own ? OwnInputHint : ""});
  }
  if (*existing != EntryKind::Missing && !force) {
    return Fail(Problem{Quoted(job.OutputName) + " already exists",
                        "use --force to replace it (a symbolic link is replaced, not its target)"});
  }
  const TransformResult<uint64_t> size = transform.Measure(job.Input);
  if (!size) return Fail(Problem{Describe(size.Error(), job), {}});
  job.Size = *size;
  return {};
}

Outcome Stream(FileTransform& transform, const FileJob& job, const PasswordSlots& slots,
               const TransformHooks& hooks) {
  const TransformResult<> streamed =
      transform.Stream(job.Input, job.Size, job.Output, slots, hooks);
  if (!streamed) return Fail(Problem{Describe(streamed.Error(), job), {}});
  return {};
}

namespace {

int Transform(const Options& options, const PasswordSlots& slots) {
  FileSystem& files = NativeFileSystem();
  std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
  FileTransform transform(files, *mixer);
  FileJob job(options.Input, options.Output);
  Outcome outcome = Check(files, transform, job, options.Force);
  if (outcome) {
    TransformHooks hooks;
    hooks.Cancel = &interrupted;
    hooks.MayReplace = options.Force;
    if (!options.Quiet && IsTerminal(2)) hooks.Progress = DrawProgress;
    outcome = Stream(transform, job, slots, hooks);
    if (!outcome && hooks.Progress) std::fputc('\n', stderr);
  }
  if (outcome) return ExitOk;
  Report(outcome.Error().What);
  return ExitFailure;
}

}  // namespace

Checked<Options> ParseArguments(const std::vector<std::string>& arguments) {
  Options o;
  std::vector<std::string> inputs;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    // The option's value as the next argument; `into` is a string or an optional one.
    const auto value = [&](auto& into) {
      if (i + 1 >= arguments.size()) return false;
      into = arguments[++i];
      return true;
    };
    // The value of `option` given as "option=VALUE" in this one argument.
    const auto joined = [&](std::string option) -> std::optional<std::string> {
      option += '=';
      if (!a.starts_with(option)) return std::nullopt;
      return a.substr(option.size());
    };
    if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
      inputs.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "-o" || a == "--output") {
      if (!value(o.Output)) return Fail(a + " needs a value");
    } else if (auto output = joined("--output")) {
      o.Output = *output;
    } else if (a == "--output-dir") {
      if (!value(o.OutputDir)) return Fail(a + " needs a value");
    } else if (auto folder = joined("--output-dir")) {
      o.OutputDir = *folder;
    } else if (a == "--password-file") {
      if (!value(o.PasswordFile)) return Fail(a + " needs a value");
    } else if (auto file = joined("--password-file")) {
      o.PasswordFile = *file;
    } else if (a == "-f" || a == "--force") {
      o.Force = true;
    } else if (a == "-q" || a == "--quiet") {
      o.Quiet = true;
    } else if (a == "-h" || a == "--help") {
      o.Help = true;
    } else if (a == "--version") {
      o.Version = true;
    } else {
      return Fail("unknown option " + a);
    }
  }
  if (o.Help || o.Version) return o;
  if (o.OutputDir) {
    if (!o.Output.empty()) return Fail("-o and --output-dir can't be used together");
    if (o.OutputDir->empty()) return Fail("--output-dir needs a folder");
    if (inputs.empty()) return Fail("no INPUT given");
    o.Inputs = std::move(inputs);
    return o;
  }
  if (inputs.size() != 1)
    return Fail(inputs.empty() ? "no INPUT given" : "only one INPUT may be given");
  if (o.Output.empty()) return Fail("no OUTPUT given (-o OUTPUT)");
  o.Input = inputs.front();
  return o;
}

std::string UsageText() {
  return R"(Usage: tavrinole-ochrel-cli [--password-file FILE] [--force] [--quiet] -o OUTPUT INPUT
       tavrinole-ochrel-cli [--password-file FILE] [--force] [--quiet] --output-dir DIR INPUT...

Encodes INPUT with a password into OUTPUT, or decodes it: the same command with the
same password on OUTPUT gives INPUT back byte for byte. Documents are those of the
Tavrinole-Ochrel desktop program, which this tool reads and writes alike.

Options:
  -o, --output OUTPUT     the new document; written exactly there, complete or not at all
  --output-dir DIR        write each INPUT into the existing folder DIR under its own
                          file name, all with the one password; each file is done or
                          refused on its own, and the others go on
  --password-file FILE    read the password from the first line of FILE ("-" for
                          standard input; from a terminal it is asked once, unshown)
                          instead of asking for it twice on the terminal
  -f, --force             replace OUTPUT if it exists (never the INPUT itself); a
                          symbolic link at OUTPUT counts as an existing file, and
                          --force replaces the link itself, not the file it points to
  -q, --quiet             no progress bar
  -h, --help              this text
  --version               the version

The password has 5 to 20 characters, each one of the 52 keys of the program's keypad:
  A-Z (capitals), 0-9, @ £ $ space = < > + - x / % ! ? ( )   ("x" is lower case)
As in the desktop program, only the first 19 characters take part in the encoding.

INPUT must be a regular file of at least 4 bytes and less than 4 GiB. OUTPUT, when
it exists, must be a regular file or a link: devices, FIFOs and folders are never
replaced. The new document gets INPUT's permissions, or those of the file it replaces.

With --output-dir, two INPUTs with the same file name, and an output that would be
an INPUT (DIR is an INPUT's own folder), are refused before anything is written.

Exit status: 0 done; 1 the work failed (nothing was created or changed; with
--output-dir, for at least one file: the others are done, unless the command was
refused before any writing or interrupted); 2 bad arguments (two INPUTs with the
same file name among them) or an unusable password.

Example:
  tavrinole-ochrel-cli -o report.pdf.tvr report.pdf
  tavrinole-ochrel-cli -o report-again.pdf report.pdf.tvr
  tavrinole-ochrel-cli --output-dir encoded report.pdf letters/*.txt
)";
}

std::string VersionText() {
  return std::string(Program) + " " TAVRINOLE_VERSION_TEXT " (Ochrel edition)\n";
}

int Run(const std::vector<std::string>& arguments) {
  const Checked<Options> parsed = ParseArguments(arguments);
  if (!parsed) return Error(parsed.Error().What, ExitUsage, "see tavrinole-ochrel-cli --help");
  const Options& options = *parsed;
  if (options.Help || options.Version) {
    std::cout << (options.Help ? UsageText() : VersionText()) << std::flush;
    if (!std::cout) return Error("can't write to standard output");
    return ExitOk;
  }
  WatchSignals();
  // Typed at a terminal, even as standard input, a password is never shown.
  const bool typed = options.PasswordFile == "-" && IsTerminal(0);
  const Checked<std::string> password = !options.PasswordFile ? AskPassword()
                                        : typed               ? AskTerminal("Password: ")
                                                : ReadFirstLine(*options.PasswordFile);
  if (!password) {
    const bool noTerminal = password.Error().What == NoTerminal;
    return Error(password.Error().What, ExitUsage,
                 noTerminal ? "give it with --password-file FILE, or --password-file - to read it"
                              " from standard input"
                            : "");
  }
  const Checked<PasswordSlots> slots = PasswordSlotsFor(*password);
  if (!slots) return Error(slots.Error().What, ExitUsage);
  CancelRunOnSignals();
  return options.OutputDir ? TransformInto(options, *slots, interrupted)
                           : Transform(options, *slots);
}

}  // namespace tavrinole::cli
