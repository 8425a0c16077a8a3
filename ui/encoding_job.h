// The encoding job: measures the input, shows its status texts, streams the file into
// the new document and ends the main dialog, all on a worker thread, while a second
// thread, the status ticker, keeps the status line alive.
//
// The dialog hands the job copies of the paths and the password at Run, and the
// handles it needs looked up once, so nothing the job reads changes while it runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/file_system.h"
#include "engine/file_transform.h"
#include "engine/keystream_types.h"
#include "platform/win32_api.h"
#include "platform/window_system.h"

namespace tavrinole {

struct JobRequest {
  Path InputPath;
  Path OutputPath;  // the chosen name with its suffix: the file the job writes
  PasswordSlots Slots{};
  HWND Dialog = nullptr;    // owner of the closing message, and what the job ends
  HWND Status = nullptr;    // the password display, which is the status line meanwhile
  bool MayReplace = false;  // the user said Yes to replacing what is at OutputPath
};

// What the user is told when a step fails, in a box with no owner. Cancelled has no
// text: the dialog is already closing.
struct FailureText {
  std::u16string_view Text;  // empty: nothing to tell
  std::u16string_view Caption;
};
[[nodiscard]] FailureText TextFor(TransformStep step);

// One step of the status ticker in `phase` (0..5): the even phases show a text, the odd
// ones wait half a second; then the ticker goes on to `next`.
struct TickerStep {
  std::u16string_view Text;  // shown when not empty
  DWORD SleepMs = 0;         // otherwise an alertable wait this long
  int32_t Next = 0;
};
[[nodiscard]] TickerStep TickerStepFor(int32_t phase);

class EncodingJob {
 public:
  EncodingJob(WindowSystem& windows, FileSystem& files);
  ~EncodingJob();
  EncodingJob(const EncodingJob&) = delete;
  EncodingJob& operator=(const EncodingJob&) = delete;

  // Starts RunJob on a thread of its own. False if the thread could not be started.
  [[nodiscard]] bool Start(JobRequest request);
  bool Started() const { return worker_ != ThreadHandle::None; }

  // Asks a running job to stop between blocks; it then removes its temporary file,
  // stops the ticker and returns without a message.
  void Cancel();

  // Waits until the job's thread, and with it the ticker's, has returned.
  void Join();

  // Whether JobRunning is still set. The job clears it, once, when it has finished its
  // blocks or stopped early; the ticker ends at its next look.
  bool TickerShouldRun() const { return JobRunning != 0; }

 private:
  static void RunJob(void* self);
  static void StatusTicker(void* self);

  void Run();
  void Tick();
  void StartTicker();
  void StopTicker();
  void Fail(TransformStep step);
  void SetStatus(std::u16string_view text);

  WindowSystem& windows_;
  FileSystem& files_;
  JobRequest request_;
  std::atomic<bool> cancel_{false};
  // Written by the job alone: JobRunning by its worker, once; TickerPhase by its ticker.
  std::atomic<int32_t> JobRunning{1};   // nonzero until the job has finished its blocks
  std::atomic<int32_t> TickerPhase{0};  // the step the status ticker performs next, 0..5
  ThreadHandle worker_ = ThreadHandle::None;
  ThreadHandle ticker_ = ThreadHandle::None;
};

}  // namespace tavrinole
