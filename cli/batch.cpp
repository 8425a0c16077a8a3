#include "cli/batch.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "cli/file_run.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "cli/terminal.h"
#include "engine/mixer_factory.h"
#include "engine/path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavrinole::cli {
namespace {

// Files are shared out to this many workers, each with its own mixer. A second worker
// overlaps one file's system calls with another's; more than two gained nothing on a
// machine of two cores (docs/performance.md, "Many files in one command").
constexpr unsigned MaxWorkers = 2;

// Two names that reach the same file in one folder. Windows ignores case in names, so
// there "Report.pdf" and "REPORT.PDF" are one file.
std::u16string SameFileKey(const std::string& name) {
  std::u16string key = PathFromName(name);
#ifdef _WIN32
  std::wstring wide(key.begin(), key.end()), upper(wide.size(), L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                                   static_cast<int>(wide.size()), upper.data(),
                                   static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (length > 0) key.assign(upper.begin(), upper.begin() + length);
#endif
  return key;
}

bool IsFolder(const std::string& name) {
  std::error_code ignored;
  return std::filesystem::is_directory(StandardPath(name), ignored);
}

// Standard error, shared by the workers: the messages, and one progress bar for the
// bytes of all the files. A message never lands inside the bar's line, and a hint that
// applies to many files is given once.
class Console {
 public:
  explicit Console(bool bar) : bar_(bar) {}

  void Report(const Message& message) {
    std::lock_guard lock(mutex_);
    EndBarLine();
    const bool hinted = !message.Hint.empty() && !hints_.insert(message.Hint).second;
    cli::Report(hinted ? Message{message.Text, {}} : message);
  }

  void Start(uint64_t total) {
    std::lock_guard lock(mutex_);
    total_ = total;
    if (bar_ && total_ > 0) Draw();
  }

  // Redraws only when the percentage moves: a thousand small files need no thousand bars.
  void Advance(uint64_t bytes) {
    if (!bar_ || bytes == 0) return;
    std::lock_guard lock(mutex_);
    const uint64_t before = done_ * 100 / total_;
    done_ += bytes;
    if (done_ == total_ || done_ * 100 / total_ != before) Draw();
  }

  bool ShowsBar() const { return bar_; }

  void Finish() {
    std::lock_guard lock(mutex_);
    EndBarLine();
  }

 private:
  void Draw() {
    DrawProgress(done_, total_);
    barOpen_ = done_ != total_;
  }
  void EndBarLine() {
    if (barOpen_) std::fputc('\n', stderr);
    barOpen_ = false;
  }

  const bool bar_;
  std::mutex mutex_;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
  bool barOpen_ = false;
  std::set<std::string> hints_;
};

// One job per input, refusing inputs without a file name and two inputs whose
// documents would meet under one name. False after reporting every such input.
bool PlanJobs(const Options& options, std::vector<FileJob>& jobs) {
  std::map<std::u16string, size_t> taken;
  std::vector<Message> refusals;
  bool clash = false;
  for (const std::string& input : options.Inputs) {
    const std::string name(FileName(std::string_view(input)));
    if (name.empty() || name == "." || name == "..") {
      refusals.push_back({Quoted(input) + " names no file to write under its name", {}});
      continue;
    }
    const std::string output = InFolder<char>(*options.OutputDir, name);
    const auto [first, fresh] = taken.try_emplace(SameFileKey(name), jobs.size());
    if (fresh) {
      jobs.emplace_back(input, output);
    } else {
      refusals.push_back({Quoted(jobs[first->second].InputName) + " and " + Quoted(input) +
                              " would both be written as " + Quoted(output),
                          {}});
      clash = true;
    }
  }
  if (refusals.empty()) return true;
  if (clash) refusals.back().Hint = "give them separate commands, or rename one of them";
  for (const Message& refusal : refusals) Report(refusal);
  return false;
}

// An output that is an input, its own or another's, would be replaced while it is read.
// False after reporting each such output.
bool RefuseInputsAsOutputs(FileSystem& files, const std::vector<FileJob>& jobs) {
  std::map<std::pair<uint64_t, uint64_t>, size_t> inputs;
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (const auto id = files.Identity(jobs[i].Input))
      inputs.try_emplace({id->Volume, id->Index}, i);
  }
  std::vector<Message> refusals;
  for (const FileJob& job : jobs) {
    const auto id = files.Identity(job.Output);
    const auto input = id ? inputs.find({id->Volume, id->Index}) : inputs.end();
    if (input == inputs.end()) continue;
    const bool own = IsSameFile(files, job.Input, job.Output);
    refusals.push_back(
        {own ? Describe(Fail(FileFault(TransformStep::SameFile)), job).Text
             : Quoted(job.OutputName) + " is the input " + Quoted(jobs[input->second].InputName),
         {}});
  }
  if (refusals.empty()) return true;
  refusals.back().Hint = "choose another --output-dir; nothing was written";
  for (const Message& refusal : refusals) Report(refusal);
  return false;
}

class Batch {
 public:
  Batch(const Options& options, const PasswordSlots& slots, const std::atomic<bool>& cancel)
      : options_(options),
        slots_(slots),
        cancel_(cancel),
        files_(NativeFileSystem()),
        console_(!options.Quiet && IsTerminal(2)) {}

  int Run() {
    if (!PlanJobs(options_, jobs_)) return ExitUsage;
    if (!IsFolder(*options_.OutputDir)) {
      Report({Quoted(*options_.OutputDir) + " is not a folder",
              "--output-dir takes a folder that exists"});
      return ExitFailure;
    }
    if (!RefuseInputsAsOutputs(files_, jobs_)) return ExitFailure;
    CheckEach();
    RunWorkers();
    console_.Finish();
    if (cancel_.load()) {
      Report({"interrupted; " + std::to_string(written_) + " of " + std::to_string(jobs_.size()) +
                  " documents were written, the others not",
              {}});
    }
    return failed_ == 0 && !cancel_.load() ? ExitOk : ExitFailure;
  }

 private:
  // Everything that can be refused before the work, file by file; the rest go on.
  void CheckEach() {
    std::unique_ptr<KeystreamMixer> unused = MakeFastMixer();  // measuring mixes nothing
    FileTransform measure(files_, *unused);
    uint64_t total = 0;
    for (FileJob& job : jobs_) {
      if (const FileResult checked = Check(files_, measure, job, options_.Force); !checked) {
        console_.Report(Describe(checked.Error(), job));
        ++failed_;
      } else {
        ready_.push_back(&job);
        total += job.Size;
      }
    }
    console_.Start(total);
  }

  void RunWorkers() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t count = std::min<size_t>({MaxWorkers, cores, ready_.size()});
    std::vector<std::thread> helpers;
    for (size_t i = 1; i < count; ++i) {
      try {
        helpers.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        break;  // the caller works alone
      }
    }
    Work();
    for (std::thread& helper : helpers) helper.join();
  }

  void Work() {
    std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
    FileTransform transform(files_, *mixer);
    for (size_t i; !cancel_.load() && (i = next_++) < ready_.size();) {
      const FileJob& job = *ready_[i];
      uint64_t counted = 0;
      TransformHooks hooks;
      hooks.Cancel = &cancel_;
      hooks.MayReplace = options_.Force;
      if (console_.ShowsBar()) {
        hooks.Progress = [&](uint64_t done, uint64_t) {
          console_.Advance(done - counted);
          counted = done;
        };
      }
      const FileResult streamed = Stream(transform, job, slots_, hooks);
      console_.Advance(job.Size - counted);  // a failed file's rest, so the bar ends full
      if (streamed) {
        ++written_;
      } else if (!cancel_.load()) {
        console_.Report(Describe(streamed.Error(), job));
        ++failed_;
      }
    }
  }

  const Options& options_;
  const PasswordSlots& slots_;
  const std::atomic<bool>& cancel_;
  FileSystem& files_;
  Console console_;
  std::vector<FileJob> jobs_;
  std::vector<FileJob*> ready_;  // the jobs that passed their checks
  std::atomic<size_t> next_{0};
  std::atomic<size_t> written_{0};
  std::atomic<size_t> failed_{0};
};

}  // namespace

int TransformInto(const Options& options, const PasswordSlots& slots,
                  const std::atomic<bool>& cancel) {
  return Batch(options, slots, cancel).Run();
}

}  // namespace tavrinole::cli
