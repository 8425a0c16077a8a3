#include "engine/publish.h"

namespace tavrinole {
namespace {

TransformFailure NotPublished(const Failure<IoProblem>& failure) {
  switch (failure.What) {
    case IoProblem::Exists:
      return Fail(TransformStep::OutputExists);
    case IoProblem::NotRegularFile:
      return Fail(TransformStep::OutputNotRegular);
    case IoProblem::Other:
    case IoProblem::Substituted:
      break;
  }
  return Fail(TransformStep::Replace, failure.Cause);
}

}  // namespace

TransformResult<EntryKind> CheckOutput(FileSystem& files, const Path& input, const Path& output) {
  if (input == output || IsSameFile(files, input, output)) return Fail(TransformStep::SameFile);
  const IoResult<EntryKind> existing = files.Kind(output);
  if (!existing) return Fail(TransformStep::CreateOutput, existing.Error().Cause);
  if (*existing == EntryKind::Other) return Fail(TransformStep::OutputNotRegular);
  return *existing;
}

TransformResult<Document> Document::Create(FileSystem& files, const Path& output) {
  IoResult<std::unique_ptr<NewFile>> created = files.CreateNew(output);
  if (!created) return Fail(TransformStep::CreateOutput, created.Error().Cause);
  Document document(std::move(created).Value());
  if (IoResult<> rewound = document.file_->Rewind(); !rewound) {
    return Fail(TransformStep::RewindOutput, rewound.Error().Cause);
  }
  return document;
}

Document::~Document() {
  // What abandoning cannot undo has no message of its own: the failure that ended the
  // run is the one reported.
  if (file_) (void)Abandon();
}

void Document::Written(bool flushed) {
  stage_ = flushed ? Stage::Flushed : Stage::Written;
}

TransformResult<> Document::Publish(bool consent, const FileAccess& input) {
  const IoResult<NameEntry> there = file_->AtName();
  if (!there) return Fail(TransformStep::Replace, there.Error().Cause);
  const bool replacing = there->Kind != EntryKind::Missing;
  if (replacing && !consent) return Fail(TransformStep::OutputExists);
  if (there->Kind == EntryKind::Other) return Fail(TransformStep::OutputNotRegular);
  // A file that appeared at the name during the run is replaced only once the document
  // is on the disk too, as one that was there from the start.
  if (replacing && stage_ != Stage::Flushed) {
    if (TransformResult<> flushed = Flush(); !flushed) return flushed;
  }
  const bool fromReplaced = there->Kind == EntryKind::RegularFile;
  if (IoResult<> given = file_->GiveAccess(fromReplaced ? there->Access : input, fromReplaced);
      !given) {
    return Fail(TransformStep::Replace, given.Error().Cause);
  }
  stage_ = Stage::GivenAccess;
  if (TransformResult<> named = TakeName(consent, replacing); !named) return named;
  if (IoResult<> closed = file_->Close(); !closed) {
    return Fail(TransformStep::Finish, closed.Error().Cause);
  }
  stage_ = Stage::Kept;
  return {};
}

TransformResult<> Document::TakeName(bool consent, bool replacing) {
  if (!replacing) {
    // A free name is taken as a new one, so that a folder that lets names be made but not
    // moved (append-only) works with consent as without.
    const IoResult<> taken = file_->TakeName();
    if (taken) {
      stage_ = Stage::Published;
      return {};
    }
    if (!consent || taken.Error().What != IoProblem::Exists) return NotPublished(taken.Error());
    // A file came in the meantime: it too is replaced only by a document on the disk.
    if (TransformResult<> flushed = Flush(); !flushed) return flushed;
  }
  const IoResult<Stage> swapped = file_->SwapIn();
  if (!swapped) return NotPublished(swapped.Error());
  stage_ = *swapped;
  return {};
}

TransformResult<> Document::Flush() {
  if (IoResult<> flushed = file_->Flush(); !flushed) {
    return Fail(TransformStep::Finish, flushed.Error().Cause);
  }
  if (stage_ == Stage::Written) stage_ = Stage::Flushed;
  return {};
}

IoResult<> Document::Abandon() {
  if (stage_ == Stage::Kept || stage_ == Stage::Abandoned) return {};
  const Stage reached = stage_;
  stage_ = Stage::Abandoned;
  return file_->Abandon(reached);
}

}  // namespace tavrinole
