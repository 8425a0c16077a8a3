#include "cli/messages.h"

#include <iostream>

#include "engine/utf.h"

namespace tavrinole::cli {
namespace {

std::string WithCause(const std::string& what, const std::string& cause) {
  return cause.empty() ? what : what + ": " + cause;
}

constexpr const char* OwnInputHint = "choose another output; the input stays as it is";

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

std::string Describe(NameProblem problem) {
  switch (problem) {
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

void Report(const Message& message) {
  std::string text = std::string(Program) + ": error: " + message.Text + "\n";
  if (!message.Hint.empty()) text += std::string(Program) + ": hint: " + message.Hint + "\n";
  std::cerr << text << std::flush;
}

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

std::string Describe(const Failure<UsageFault>& failure) {
  switch (failure.What) {
    case UsageFault::NeedsValue:
      return failure.Cause + " needs a value";
    case UsageFault::UnknownOption:
      return "unknown option " + failure.Cause;
    case UsageFault::OutputAndOutputDir:
      return "-o and --output-dir can't be used together";
    case UsageFault::NoFolder:
      return "--output-dir needs a folder";
    case UsageFault::NoInput:
      return "no INPUT given";
    case UsageFault::OneInputOnly:
      return "only one INPUT may be given";
    case UsageFault::NoOutput:
      return "no OUTPUT given (-o OUTPUT)";
    case UsageFault::NotUtf16:
      return "argument " + failure.Cause + " is not valid UTF-16";
  }
  return "unusable arguments";
}

Message Describe(const Failure<PasswordFault>& failure, const std::string& passwordFile) {
  const std::string file = Quoted(passwordFile);
  switch (failure.What) {
    case PasswordFault::CantOpenFile:
      return {WithCause("can't open the password file " + file, failure.Cause), {}};
    case PasswordFault::LineTooLong:
      return {"the first line of the password file " + file + " is longer than " +
                  std::to_string(PasswordFileLimit) + " bytes",
              {}};
    case PasswordFault::CantReadFile:
      return {"can't read the password file " + file, {}};
    case PasswordFault::Utf16File:
      return {"the password file " + file + " is UTF-16 text; save it as UTF-8", {}};
    case PasswordFault::NoTerminal:
      return {"no terminal to ask the password on",
              "give it with --password-file FILE, or --password-file - to read it from standard "
              "input"};
    case PasswordFault::InputEnded:
      return {"no password was typed: the input ended", {}};
    case PasswordFault::Differ:
      return {"the two passwords differ", {}};
    case PasswordFault::Interrupted:
      return {Interrupted, {}};
    case PasswordFault::NotUtf8:
      return {"the password's " + failure.Cause + " is not valid UTF-8 text", {}};
    case PasswordFault::NotOnTheKeypad:
      return {"the password's " + failure.Cause + ", is not on the keypad", {}};
    case PasswordFault::WrongLength:
      return {"the password has " + failure.Cause + " characters; it needs 5 to 20", {}};
  }
  return {"unusable password", {}};
}

Message Describe(const Failure<FileFault>& failure, const FileJob& job) {
  if (const auto* name = std::get_if<NameProblem>(&failure.What)) {
    return {"the name " + Quoted(job.OutputName) + " " + Describe(*name),
            "choose another name; nothing was written"};
  }
  if (std::holds_alternative<KeptWithoutForce>(failure.What)) {
    return {Quoted(job.OutputName) + " already exists",
            "use --force to replace it (a symbolic link is replaced, not its target)"};
  }
  const TransformStep step = std::get<TransformStep>(failure.What);
  return {Describe(Fail(step, failure.Cause), job),
          step == TransformStep::SameFile ? OwnInputHint : ""};
}

}  // namespace tavrinole::cli
