#include "engine/file_transform.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace tavrinole {
namespace {

TransformFailure Fail(TransformStep step, std::string cause = {}) {
  return {step, std::move(cause)};
}

// Closes a file whose outcome no longer matters: the transform already failed.
void Discard(std::unique_ptr<File>& file) {
  if (file) (void)file->Close();
  file.reset();
}

// Writes mixed chunks on a thread of its own while the caller reads and mixes the next
// ones, so reading and writing overlap. Chunks are written in the order they are handed
// over; with `startWriteBack`, each is sent on to the disk at once, so that the final
// flush waits for little. A file of one chunk has nothing to overlap: it gets one buffer
// of its own size and no thread, and so does any file should the thread not start. Then
// each chunk is written as it is handed over.
class WriteBehind {
 public:
  WriteBehind(File& out, uint64_t size, bool startWriteBack)
      : out_(out), startWriteBack_(startWriteBack) {
    // Sized to the file and left uninitialised: every byte is read in before use, and a
    // small file should not pay for clearing megabytes.
    const size_t bytes = static_cast<size_t>(std::clamp<uint64_t>(size, 1, ChunkBytes));
    const size_t count = size > ChunkBytes ? buffers_.size() : 1;
    for (size_t i = 0; i < count; ++i) {
      buffers_[i].reset(new uint8_t[bytes]);
      free_.push_back(buffers_[i].get());
    }
    if (count == 1) return;
    try {
      writer_ = std::thread([this] { WriteHandedChunks(); });
    } catch (const std::system_error&) {
      // Written one by one in Hand instead.
    }
  }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;
  ~WriteBehind() { (void)Finish(); }

  // Waits for a free buffer of the file's size, or ChunkBytes at most; null once a
  // write has failed.
  uint8_t* Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || !failure_.Ok; });
    if (!failure_.Ok) return nullptr;
    uint8_t* const buffer = free_.front();
    free_.pop_front();
    return buffer;
  }

  // Queues the start of a taken buffer for writing.
  void Hand(std::span<uint8_t> chunk) {
    if (!writer_.joinable()) {
      Write(chunk);
      return;
    }
    std::lock_guard lock(mutex_);
    handed_.push_back(chunk);
    changed_.notify_all();
  }

  // Waits until every handed chunk is written and the writer has stopped. The first
  // write failure, if any.
  IoResult Finish() {
    {
      std::lock_guard lock(mutex_);
      finishing_ = true;
      changed_.notify_all();
    }
    if (writer_.joinable()) writer_.join();
    return failure_;
  }

 private:
  void WriteHandedChunks() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return !handed_.empty() || finishing_; });
      if (handed_.empty() || !failure_.Ok) return;
      const std::span<uint8_t> chunk = handed_.front();
      handed_.pop_front();
      lock.unlock();
      Write(chunk);
      lock.lock();
    }
  }

  void Write(std::span<uint8_t> chunk) {
    const IoResult written = out_.Write(chunk);
    if (written && startWriteBack_) out_.StartWriteBack();
    std::lock_guard lock(mutex_);
    if (!written && failure_.Ok) failure_ = written;
    free_.push_back(chunk.data());
    changed_.notify_all();
  }

  File& out_;
  const bool startWriteBack_;
  std::array<std::unique_ptr<uint8_t[]>, 3> buffers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<uint8_t*> free_;
  std::deque<std::span<uint8_t>> handed_;
  bool finishing_ = false;
  IoResult failure_ = IoResult::Success();
  std::thread writer_;
};

}  // namespace

// The step a failed open of the input stops at.
TransformFailure OpenFailure(TransformStep step, const IoResult& opened) {
  return Fail(opened.Problem == IoProblem::NotRegularFile ? TransformStep::NotAFile : step,
              opened.Cause);
}

TransformStatus FileTransform::Measure(const Path& input, uint64_t& size) {
  std::unique_ptr<File> in;
  if (IoResult opened = files_.OpenForReading(input, in); !opened) {
    return OpenFailure(TransformStep::OpenInput, opened);
  }
  const IoResult measured = in->Size(size);
  Discard(in);
  if (!measured) return Fail(TransformStep::MeasureInput, measured.Cause);
  if (size < SmallestInput) return Fail(TransformStep::TooSmall);
  if (size > LargestInput) return Fail(TransformStep::TooBig);
  return std::nullopt;
}

TransformStatus FileTransform::Stream(const Path& input, uint64_t size, const Path& output,
                                      const PasswordSlots& slots, const TransformHooks& hooks) {
  mixer_.Prepare(static_cast<uint32_t>(size), slots);

  const std::optional<FileIdentity> source = files_.Identity(input);
  if (source && files_.Identity(output) == source) return Fail(TransformStep::SameFile);
  const EntryKind existing = files_.Kind(output);
  if (existing == EntryKind::Other) return Fail(TransformStep::OutputNotRegular);
  if (existing != EntryKind::Missing && !hooks.MayReplace) return Fail(TransformStep::OutputExists);

  std::unique_ptr<File> in;
  if (IoResult opened = files_.OpenForReading(input, in); !opened) {
    return OpenFailure(TransformStep::ReopenInput, opened);
  }
  FileStamp before;
  if (IoResult stamped = in->Stamp(before); !stamped || before.Size != size) {
    Discard(in);
    return Fail(TransformStep::InputChanged, stamped.Cause);
  }

  std::unique_ptr<NewFile> out;
  if (IoResult created = files_.CreateNew(output, out); !created) {
    Discard(in);
    return Fail(TransformStep::CreateOutput, created.Cause);
  }
  // Created, then made ready for reading and writing: the two steps keep their own
  // messages in the dialog.
  TransformStatus status;
  if (IoResult rewound = out->Rewind(); !rewound) {
    status = Fail(TransformStep::ReopenOutput, rewound.Cause);
  } else {
    // Replacing a document waits until the new one is on the disk: otherwise a power
    // cut soon after the move could lose both. A new name has nothing to lose, so it is
    // left to the system's own write-back, as a copy would be.
    status = Copy(*in, *out, size, existing != EntryKind::Missing, hooks);
  }
  // Same size is not enough: bytes written in place show in the times.
  FileStamp after;
  if (IoResult stamped = in->Stamp(after); !status && (!stamped || after != before)) {
    status = Fail(TransformStep::InputChanged, stamped.Cause);
  }
  // A cancel that came during the last pass still wins: nothing is put in place.
  if (!status && hooks.Cancel && hooks.Cancel->load()) status = Fail(TransformStep::Cancelled);
  Discard(in);
  if (!status) status = Publish(*out, hooks.MayReplace, before.Permissions);
  if (status) out->Abandon();
  return status;
}

TransformStatus FileTransform::Publish(NewFile& out, bool replace, uint32_t permissions) {
  const IoResult published = out.Publish(replace, permissions);
  if (published.Problem == IoProblem::Exists) return Fail(TransformStep::OutputExists);
  if (published.Problem == IoProblem::NotRegularFile) return Fail(TransformStep::OutputNotRegular);
  if (!published) return Fail(TransformStep::Replace, published.Cause);
  if (IoResult closed = out.Close(); !closed) return Fail(TransformStep::Finish, closed.Cause);
  return std::nullopt;
}

TransformStatus FileTransform::Copy(File& in, File& out, uint64_t size, bool flush,
                                    const TransformHooks& hooks) {
  WriteBehind writer(out, size, flush);
  uint64_t done = 0;
  while (done < size) {
    uint8_t* const buffer = writer.Take();
    if (!buffer) break;  // a write failed: Finish says how
    if (hooks.Cancel && hooks.Cancel->load()) return Fail(TransformStep::Cancelled);
    const size_t want = static_cast<size_t>(std::min<uint64_t>(ChunkBytes, size - done));
    const std::span<uint8_t> chunk(buffer, want);
    size_t got = 0;
    if (IoResult read = in.Read(chunk, got); !read) return Fail(TransformStep::Read, read.Cause);
    if (got < want) return Fail(TransformStep::InputChanged, "it got shorter while it was read");
    for (size_t at = 0; at < want; at += BlockBytes) {
      mixer_.MixBlock(chunk.subspan(at, std::min<size_t>(BlockBytes, want - at)));
    }
    writer.Hand(chunk);
    done += want;
    if (hooks.Progress) hooks.Progress(done, size);
  }
  if (IoResult finished = writer.Finish(); !finished) {
    return Fail(TransformStep::Write, finished.Cause);
  }
  // The last block is the remainder, an empty one when the size is a multiple of a block.
  if (size % BlockBytes == 0) mixer_.MixBlock({});

  uint8_t extra;
  size_t got = 0;
  if (IoResult read = in.Read(std::span(&extra, 1), got); !read) {
    return Fail(TransformStep::Read, read.Cause);
  }
  if (got != 0) return Fail(TransformStep::InputChanged, "it grew while it was read");
  if (flush) {
    if (IoResult flushed = out.Flush(); !flushed) return Fail(TransformStep::Finish, flushed.Cause);
  }
  return std::nullopt;
}

}  // namespace tavrinole
