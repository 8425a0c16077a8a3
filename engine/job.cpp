#include "engine/job.h"

#include "engine/file_transform.h"
#include "engine/mixer_factory.h"

namespace tavrinole {
namespace {

struct FailureText {
  const WCHAR* Text;
  const WCHAR* Caption;
};

// What the user is told when a step fails. Cancelled has no text: the dialog is
// already closing.
FailureText TextFor(TransformStep step) {
  switch (step) {
    case TransformStep::OpenInput:
    case TransformStep::MeasureInput:
      return {WTEXT("Can't open file 22DD"), job_text::Warring};
    case TransformStep::TooSmall:
      return {WTEXT("Please open the bigger file"), WTEXT("A small file")};
    case TransformStep::TooBig:
      return {WTEXT("Please open the smaller file"), WTEXT("A big file")};
    case TransformStep::SameFile:
      return {WTEXT("The new document can't replace the original"), job_text::Warring};
    case TransformStep::ReopenInput:
      return {WTEXT("Can't open file 44"), job_text::Warring};
    case TransformStep::CreateOutput:
      return {WTEXT("Can't open file-save 4477"), job_text::Warring};
    case TransformStep::ReopenOutput:
      return {WTEXT("Can't open file-save in binarytext"), job_text::Warring};
    case TransformStep::InputChanged:
      return {WTEXT("The file changed while it was read"), job_text::Warring};
    case TransformStep::Read:
      return {WTEXT("Can't read the file"), job_text::Warring};
    case TransformStep::Write:
      return {WTEXT("Can't write the new document"), job_text::Warring};
    case TransformStep::Finish:
      return {WTEXT("Can't finish the new document"), job_text::Warring};
    case TransformStep::Replace:
      return {WTEXT("Can't save the new document"), job_text::Warring};
    case TransformStep::Cancelled:
      break;
  }
  return {nullptr, nullptr};
}

}  // namespace

EncodingJob::EncodingJob(WindowSystem& windows, FileSystem& files)
    : windows_(windows), files_(files) {}

EncodingJob::~EncodingJob() {
  Cancel();
  Join();
}

bool EncodingJob::Start(JobRequest request) {
  request_ = std::move(request);
  worker_ = windows_.BeginThread(&EncodingJob::RunJob, this);
  return Started();
}

// The worker sees the flag between chunks and stops its ticker itself.
void EncodingJob::Cancel() {
  cancel_ = true;
}

void EncodingJob::Join() {
  if (worker_ == ThreadHandle::None) return;
  windows_.JoinThread(worker_);
  worker_ = ThreadHandle::None;
}

void EncodingJob::RunJob(void* self) {
  static_cast<EncodingJob*>(self)->Run();
}

void EncodingJob::StatusTicker(void* self) {
  static_cast<EncodingJob*>(self)->Tick();
}

void EncodingJob::Run() {
  std::unique_ptr<KeystreamMixer> mixer = MakeFastMixer();
  FileTransform transform(files_, *mixer);
  uint64_t size = 0;
  if (TransformStatus failed = transform.Measure(request_.InputPath, size)) {
    const FailureText text = TextFor(failed->Step);
    return Fail(text.Text, text.Caption);
  }
  SetStatus(job_text::PleaseWait);
  StartTicker();
  TransformHooks hooks;
  hooks.Cancel = &cancel_;
  if (TransformStatus failed =
          transform.Stream(request_.InputPath, size, request_.OutputPath, request_.Slots, hooks)) {
    const FailureText text = TextFor(failed->Step);
    return Fail(text.Text, text.Caption);
  }
  StopTicker();
  SetStatus(job_text::Finish);
  windows_.MessageBoxW(request_.Dialog, job_text::Closing, job_text::ClosingCaption, MB_OK);
  windows_.PostEndDialog(request_.Dialog, 0);
}

// Every failure ends alike: the box (none when cancelled), the ticker stopped, and the
// main dialog asked to end. The transform has already removed its temporary file.
void EncodingJob::Fail(const WCHAR* text, const WCHAR* caption) {
  StopTicker();
  if (text && !cancel_) windows_.MessageBoxW(nullptr, text, caption, MB_OK);
  windows_.PostEndDialog(request_.Dialog, 0);
}

void EncodingJob::SetStatus(const WCHAR* text) {
  windows_.SetWindowTextW(request_.Status, text);
}

void EncodingJob::StartTicker() {
  ticker_ = windows_.BeginThread(&EncodingJob::StatusTicker, this);
}

// Clears JobRunning and waits for the ticker, so no step of it already under way can
// overwrite what the job shows next.
void EncodingJob::StopTicker() {
  JobRunning = 0;
  if (ticker_ == ThreadHandle::None) return;
  windows_.AlertThread(ticker_);
  windows_.JoinThread(ticker_);
  ticker_ = ThreadHandle::None;
}

TickerStep TickerStepFor(int32_t phase) {
  TickerStep step;
  if (phase % 2 == 0) {
    step.Text = job_text::Ticker[phase / 2];
  } else {
    step.SleepMs = 500;
  }
  step.Next = phase == 5 ? 0 : phase + 1;
  return step;
}

void EncodingJob::Tick() {
  while (JobRunning) {
    const TickerStep step = TickerStepFor(TickerPhase);
    if (step.Text != nullptr) {
      SetStatus(step.Text);
    } else {
      windows_.SleepEx(step.SleepMs, TRUE);
    }
    TickerPhase = step.Next;
  }
}

}  // namespace tavrinole
