#include "ui/encoding_job.h"

#include <array>

#include "engine/file_transform.h"
#include "engine/mixer_factory.h"
#include "resources/texts.h"
#include "ui/wide_text.h"

namespace tavrinole {

using namespace resources;

FailureText TextFor(TransformStep step) {
  switch (step) {
    case TransformStep::OpenInput:
    case TransformStep::NotAFile:
    case TransformStep::MeasureInput:
      return {CantOpenInput, WarningCaption};
    case TransformStep::TooSmall:
      return {SmallFile, SmallFileCaption};
    case TransformStep::TooBig:
      return {BigFile, BigFileCaption};
    case TransformStep::SameFile:
      return {CantReplaceOriginal, WarningCaption};
    case TransformStep::ReopenInput:
      return {CantReopenInput, WarningCaption};
    case TransformStep::OutputExists:
      return {NameTaken, WarningCaption};
    case TransformStep::OutputNotRegular:
      return {OnlyReplaceFile, WarningCaption};
    case TransformStep::CreateOutput:
      return {CantCreateOutput, WarningCaption};
    case TransformStep::RewindOutput:
      return {CantRewindOutput, WarningCaption};
    case TransformStep::InputChanged:
      return {InputChanged, WarningCaption};
    case TransformStep::Read:
      return {CantRead, WarningCaption};
    case TransformStep::Write:
      return {CantWrite, WarningCaption};
    case TransformStep::Finish:
      return {CantFinish, WarningCaption};
    case TransformStep::Replace:
      return {CantSave, WarningCaption};
    case TransformStep::Cancelled:
      break;
  }
  return {};
}

namespace {

constexpr std::array<std::u16string_view, 3> TickerTexts = {Ticker0, Ticker1, Ticker2};

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
  const TransformResult<uint64_t> size = transform.Measure(request_.InputPath);
  if (!size) return Fail(size.Error().What);
  SetStatus(resources::PleaseWait);
  StartTicker();
  TransformHooks hooks;
  hooks.Cancel = &cancel_;
  hooks.MayReplace = request_.MayReplace;
  const TransformResult<> streamed =
      transform.Stream(request_.InputPath, *size, request_.OutputPath, request_.Slots, hooks);
  if (!streamed) return Fail(streamed.Error().What);
  // A close that came while the finished document was put in place: it is complete, but
  // nobody is left to be told.
  if (cancel_) return Fail(TransformStep::Cancelled);
  StopTicker();
  SetStatus(resources::Finish);
  windows_.MessageBoxW(request_.Dialog, ToWide(resources::Closing).c_str(),
                       ToWide(resources::ClosingCaption).c_str(), MB_OK);
  windows_.PostEndDialog(request_.Dialog, 0);
}

// Every failure ends alike: the box (none when cancelled), the ticker stopped, and the
// main dialog asked to end. The transform has already removed its temporary file.
void EncodingJob::Fail(TransformStep step) {
  StopTicker();
  if (const FailureText text = TextFor(step); !text.Text.empty() && !cancel_) {
    windows_.MessageBoxW(nullptr, ToWide(text.Text).c_str(), ToWide(text.Caption).c_str(), MB_OK);
  }
  windows_.PostEndDialog(request_.Dialog, 0);
}

void EncodingJob::SetStatus(std::u16string_view text) {
  windows_.SetWindowTextW(request_.Status, ToWide(text).c_str());
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
    step.Text = TickerTexts[phase / 2];
  } else {
    step.SleepMs = 500;
  }
  step.Next = phase == 5 ? 0 : phase + 1;
  return step;
}

void EncodingJob::Tick() {
  while (JobRunning) {
    const TickerStep step = TickerStepFor(TickerPhase);
    if (!step.Text.empty()) {
      SetStatus(step.Text);
    } else {
      windows_.SleepEx(step.SleepMs, TRUE);
    }
    TickerPhase = step.Next;
  }
}

}  // namespace tavrinole
