#include "cli/cli.h"

#include <iostream>
#include <memory>

#include "cli/batch.h"
#include "cli/file_run.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "cli/terminal.h"
#include "engine/mixer_factory.h"
#include "tavrinole/version.h"

namespace tavrinole::cli {
namespace {

int Transform(const Options& options, const PasswordSlots& slots, const std::atomic<bool>& cancel) {
  FileSystem& files = NativeFileSystem();
  std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
  FileTransform transform(files, *mixer);
  FileJob job(options.Input, options.Output);
  FileResult outcome = Check(files, transform, job, options.Force);
  if (outcome) {
    TransformHooks hooks;
    hooks.Cancel = &cancel;
    hooks.MayReplace = options.Force;
    if (!options.Quiet && IsTerminal(2)) hooks.Progress = DrawProgress;
    outcome = Stream(transform, job, slots, hooks);
    if (!outcome && hooks.Progress) std::fputc('\n', stderr);
  }
  if (outcome) return ExitOk;
  Report(Describe(outcome.Error(), job));
  return ExitFailure;
}

}  // namespace

Result<Options, UsageFault> ParseArguments(const std::vector<std::string>& arguments) {
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
      if (!value(o.Output)) return Fail(UsageFault::NeedsValue, a);
    } else if (auto output = joined("--output")) {
      o.Output = *output;
    } else if (a == "--output-dir") {
      if (!value(o.OutputDir)) return Fail(UsageFault::NeedsValue, a);
    } else if (auto folder = joined("--output-dir")) {
      o.OutputDir = *folder;
    } else if (a == "--password-file") {
      if (!value(o.PasswordFile)) return Fail(UsageFault::NeedsValue, a);
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
      return Fail(UsageFault::UnknownOption, a);
    }
  }
  if (o.Help || o.Version) return o;
  if (o.OutputDir) {
    if (!o.Output.empty()) return Fail(UsageFault::OutputAndOutputDir);
    if (o.OutputDir->empty()) return Fail(UsageFault::NoFolder);
    if (inputs.empty()) return Fail(UsageFault::NoInput);
    o.Inputs = std::move(inputs);
    return o;
  }
  if (inputs.size() != 1)
    return Fail(inputs.empty() ? UsageFault::NoInput : UsageFault::OneInputOnly);
  if (o.Output.empty()) return Fail(UsageFault::NoOutput);
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
  const Result<Options, UsageFault> parsed = ParseArguments(arguments);
  if (!parsed) {
    Report({Describe(parsed.Error()), "see tavrinole-ochrel-cli --help"});
    return ExitUsage;
  }
  const Options& options = *parsed;
  if (options.Help || options.Version) {
    std::cout << (options.Help ? UsageText() : VersionText()) << std::flush;
    if (std::cout) return ExitOk;
    Report({"can't write to standard output", {}});
    return ExitFailure;
  }
  WatchSignals();
  const Result<PasswordSlots, PasswordFault> slots = ReadPassword(options);
  if (!slots) {
    Report(Describe(slots.Error(), options.PasswordFile.value_or("")));
    return slots.Error().What == PasswordFault::Interrupted ? ExitFailure : ExitUsage;
  }
  const std::atomic<bool>& cancel = CancelRunOnSignals();
  return options.OutputDir ? TransformInto(options, *slots, cancel)
                           : Transform(options, *slots, cancel);
}

}  // namespace tavrinole::cli
