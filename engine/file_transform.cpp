#include "engine/file_transform.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
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

TransformStatus FileTransform::Measure(const Path& input, uint64_t& size) {
  std::unique_ptr<File> in;
  if (IoResult opened = files_.OpenForReading(input, in); !opened) {
    return Fail(TransformStep::OpenInput, opened.Cause);
  }
  const IoResult measured = in->Size(size);
  Discard(in);
  if (!measured) return Fail(TransformStep::MeasureInput, measured.Cause);
  if (size < SmallestInput) return Fail(TransformStep::TooSmall);
  if (size > LargestInput) return Fail(TransformStep::TooBig);
  return std::nullopt;
}

Path FileTransform::TemporaryNameFor(const Path& output) {
  const size_t slash = output.find_last_of(u"/\\");
  const Path folder = slash == Path::npos ? Path() : output.substr(0, slash + 1);
  std::random_device random;
  const uint64_t tag = (uint64_t{random()} << 32) ^ random();
  Path name = folder + u".tavrinole-";
  for (int shift = 60; shift >= 0; shift -= 4) name += u"0123456789abcdef"[(tag >> shift) & 15];
  return name + u".tmp";
}

TransformStatus FileTransform::Stream(const Path& input, uint64_t size, const Path& output,
                                      const PasswordSlots& slots, const TransformHooks& hooks) {
  mixer_.Prepare(static_cast<uint32_t>(size), slots);

  const std::optional<FileIdentity> source = files_.Identity(input);
  const std::optional<FileIdentity> target = files_.Identity(output);
  if (source && target == source) return Fail(TransformStep::SameFile);

  std::unique_ptr<File> in;
  if (IoResult opened = files_.OpenForReading(input, in); !opened) {
    return Fail(TransformStep::ReopenInput, opened.Cause);
  }
  uint64_t sizeNow = 0;
  if (IoResult measured = in->Size(sizeNow); !measured || sizeNow != size) {
    Discard(in);
    return Fail(TransformStep::InputChanged, measured.Cause);
  }

  const Path temporary = TemporaryNameFor(output);
  std::unique_ptr<File> out;
  if (IoResult created = files_.CreateNew(temporary, out); !created) {
    Discard(in);
    return Fail(TransformStep::CreateOutput, created.Cause);
  }
  // Created, closed and opened again for reading and writing: the two opens keep
  // their own messages in the dialog.
  TransformStatus status;
  if (IoResult closed = out->Close(); !closed) {
    status = Fail(TransformStep::CreateOutput, closed.Cause);
  } else if (IoResult reopened = files_.OpenForReadingAndWriting(temporary, out); !reopened) {
    status = Fail(TransformStep::ReopenOutput, reopened.Cause);
  } else {
    // Replacing a document waits until the new one is on the disk: otherwise a power
    // cut soon after the move could lose both. A new name has nothing to lose, so it is
    // left to the system's own write-back, as a copy would be.
    status = Copy(*in, *out, size, target.has_value(), hooks);
  }
  // A cancel that came during the last pass still wins: nothing is put in place.
  if (!status && hooks.Cancel && hooks.Cancel->load()) status = Fail(TransformStep::Cancelled);
  Discard(in);
  if (!status) {
    if (IoResult replaced = files_.Replace(temporary, output); !replaced) {
      status = Fail(TransformStep::Replace, replaced.Cause);
    } else {
      return std::nullopt;
    }
  }
  Discard(out);
  (void)files_.Remove(temporary);
  return status;
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
  if (IoResult closed = out.Close(); !closed) return Fail(TransformStep::Finish, closed.Cause);
  return std::nullopt;
}

}  // namespace tavrinole
