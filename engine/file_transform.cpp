#include "engine/file_transform.h"

#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "engine/monitor.h"

namespace tavrinole {
namespace {

// The system's reason for a failed file operation; nothing when it worked.
template <class T>
std::string CauseOf(const IoResult<T>& result) {
  return result ? std::string() : result.Error().Cause;
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
  WriteBehind(File& out, uint64_t size, bool startWriteBack, ChunkBuffers& buffers)
      : out_(out), startWriteBack_(startWriteBack) {
    // Sized to the file and left uninitialised: every byte is read in before use, and a
    // small file should not pay for clearing megabytes.
    const size_t bytes = static_cast<size_t>(std::clamp<uint64_t>(size, 1, ChunkBytes));
    const size_t count = size > ChunkBytes ? buffers.Memory.size() : 1;
    if (buffers.Bytes < bytes) {
      for (std::unique_ptr<uint8_t[]>& memory : buffers.Memory) memory.reset();
      buffers.Bytes = bytes;
    }
    for (size_t i = 0; i < count; ++i) {
      if (!buffers.Memory[i]) buffers.Memory[i].reset(new uint8_t[buffers.Bytes]);
      free_.push_back(buffers.Memory[i].get());
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
    std::unique_lock lock(monitor_);
    monitor_.Wait(lock, [this] { return !free_.empty() || writeFailure_; });
    if (writeFailure_) return nullptr;
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
    std::lock_guard lock(monitor_);
    handed_.push_back(chunk);
    monitor_.NotifyAll();
  }

  // Waits until every handed chunk is written and the writer has stopped. The first
  // write failure, if any.
  IoResult<> Finish() {
    {
      std::lock_guard lock(monitor_);
      finishing_ = true;
      monitor_.NotifyAll();
    }
    if (writer_.joinable()) writer_.join();
    if (writeFailure_) return *writeFailure_;
    return {};
  }

 private:
  void WriteHandedChunks() {
    std::unique_lock lock(monitor_);
    for (;;) {
      monitor_.Wait(lock, [this] { return !handed_.empty() || finishing_; });
      if (handed_.empty() || writeFailure_) return;
      const std::span<uint8_t> chunk = handed_.front();
      handed_.pop_front();
      lock.unlock();
      Write(chunk);
      lock.lock();
    }
  }

  void Write(std::span<uint8_t> chunk) {
    const IoResult<> written = out_.Write(chunk);
    if (written && startWriteBack_) out_.StartWriteBack();
    std::lock_guard lock(monitor_);
    if (!written && !writeFailure_) writeFailure_ = written.Error();
    free_.push_back(chunk.data());
    monitor_.NotifyAll();
  }

  File& out_;
  const bool startWriteBack_;
  Monitor monitor_;
  std::deque<uint8_t*> free_;
  std::deque<std::span<uint8_t>> handed_;
  bool finishing_ = false;
  std::optional<Failure<IoProblem>> writeFailure_;  // the first write that failed
  std::thread writer_;
};

}  // namespace

TransformResult<uint64_t> FileTransform::Measure(const Path& input) {
  IoResult<std::unique_ptr<File>> opened = files_.OpenForReading(input);
  if (!opened) {
    const Failure<IoProblem>& failure = opened.Error();
    const bool notAFile = failure.What == IoProblem::NotRegularFile;
    return Fail(notAFile ? TransformStep::NotAFile : TransformStep::OpenInput, failure.Cause);
  }
  std::unique_ptr<File> in = std::move(opened).Value();
  const IoResult<uint64_t> size = in->Size();
  Discard(in);
  if (!size) return Fail(TransformStep::MeasureInput, size.Error().Cause);
  if (*size < SmallestInput) return Fail(TransformStep::TooSmall);
  if (*size > LargestInput) return Fail(TransformStep::TooBig);
  return *size;
}

TransformResult<> FileTransform::Stream(const Path& input, uint64_t size, const Path& output,
                                        const PasswordSlots& slots, const TransformHooks& hooks) {
  mixer_.Prepare(static_cast<uint32_t>(size), slots);

  const TransformResult<EntryKind> existing = CheckOutput(files_, input, output);
  if (!existing) return existing.Error();
  const bool replacing = *existing != EntryKind::Missing;
  if (replacing && !hooks.MayReplace) return Fail(TransformStep::OutputExists);

  IoResult<std::unique_ptr<File>> opened = files_.OpenForReading(input);
  // Whatever the input has turned into since it was measured, this open's failure is
  // the second open's.
  if (!opened) return Fail(TransformStep::ReopenInput, opened.Error().Cause);
  std::unique_ptr<File> in = std::move(opened).Value();
  const IoResult<FileStamp> before = in->Stamp();
  if (!before || before->Size != size) {
    Discard(in);
    return Fail(TransformStep::InputChanged, CauseOf(before));
  }

  TransformResult<Document> created = Document::Create(files_, output);
  if (!created) {
    Discard(in);
    return created.Error();
  }
  Document document = std::move(created).Value();
  // Replacing a document waits until the new one is on the disk: its bytes are sent on
  // as they are written, so that the flush at the end waits for little.
  TransformResult<> status = Copy(*in, document.Content(), size, replacing, hooks);
  // Same size is not enough: bytes written in place show in the times.
  const IoResult<FileStamp> after = in->Stamp();
  if (status && (!after || *after != *before)) {
    status = Fail(TransformStep::InputChanged, CauseOf(after));
  }
  // A cancel that came during the last pass still wins: nothing is put in place.
  if (status && hooks.Cancel && hooks.Cancel->load()) status = Fail(TransformStep::Cancelled);
  Discard(in);
  if (!status) return status;
  document.Written(replacing);
  return document.Publish(hooks.MayReplace, before->Access);
}

TransformResult<> FileTransform::Copy(File& in, File& out, uint64_t size, bool flush,
                                      const TransformHooks& hooks) {
  WriteBehind writer(out, size, flush, buffers_);
  uint64_t done = 0;
  while (done < size) {
    uint8_t* const buffer = writer.Take();
    if (!buffer) break;  // a write failed: Finish says how
    if (hooks.Cancel && hooks.Cancel->load()) return Fail(TransformStep::Cancelled);
    const size_t want = static_cast<size_t>(std::min<uint64_t>(ChunkBytes, size - done));
    const std::span<uint8_t> chunk(buffer, want);
    const IoResult<size_t> got = in.Read(chunk);
    if (!got) return Fail(TransformStep::Read, got.Error().Cause);
    if (*got < want) return Fail(TransformStep::InputChanged, "it got shorter while it was read");
    for (size_t at = 0; at < want; at += BlockBytes) {
      mixer_.MixBlock(chunk.subspan(at, std::min<size_t>(BlockBytes, want - at)));
    }
    writer.Hand(chunk);
    done += want;
    if (hooks.Progress) hooks.Progress(done, size);
  }
  if (IoResult<> finished = writer.Finish(); !finished) {
    return Fail(TransformStep::Write, finished.Error().Cause);
  }
  // The last block is the remainder, an empty one when the size is a multiple of a block.
  if (size % BlockBytes == 0) mixer_.MixBlock({});

  uint8_t extra;
  const IoResult<size_t> got = in.Read(std::span(&extra, 1));
  if (!got) return Fail(TransformStep::Read, got.Error().Cause);
  if (*got != 0) return Fail(TransformStep::InputChanged, "it grew while it was read");
  if (flush) {
    if (IoResult<> flushed = out.Flush(); !flushed) {
      return Fail(TransformStep::Finish, flushed.Error().Cause);
    }
  }
  return {};
}

}  // namespace tavrinole
