#include "engine/file_transform.h"

#include <random>
#include <vector>

namespace tavrinole {
namespace {

TransformFailure Fail(TransformStep step, std::string cause = {}) { return {step, std::move(cause)}; }

// Closes a file whose outcome no longer matters: the transform already failed.
void Discard(std::unique_ptr<File>& file) {
  if (file) (void)file->Close();
  file.reset();
}

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
  if (source && files_.Identity(output) == source) return Fail(TransformStep::SameFile);

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
    status = Copy(*in, *out, size, hooks);
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

TransformStatus FileTransform::Copy(File& in, File& out, uint64_t size, const TransformHooks& hooks) {
  std::vector<uint8_t> chunk(ChunkBytes);
  uint64_t done = 0;
  while (done < size) {
    if (hooks.Cancel && hooks.Cancel->load()) return Fail(TransformStep::Cancelled);
    const size_t want = static_cast<size_t>(std::min<uint64_t>(ChunkBytes, size - done));
    size_t got = 0;
    if (IoResult read = in.Read(std::span(chunk).first(want), got); !read) {
      return Fail(TransformStep::Read, read.Cause);
    }
    if (got < want) return Fail(TransformStep::InputChanged, "it got shorter while it was read");
    for (size_t at = 0; at < want; at += BlockBytes) {
      mixer_.MixBlock(std::span(chunk).subspan(at, std::min<size_t>(BlockBytes, want - at)));
    }
    if (IoResult written = out.Write(std::span(chunk).first(want)); !written) {
      return Fail(TransformStep::Write, written.Cause);
    }
    done += want;
    if (hooks.Progress) hooks.Progress(done, size);
  }
  // The last block is the remainder, an empty one when the size is a multiple of a block.
  if (size % BlockBytes == 0) mixer_.MixBlock({});

  uint8_t extra;
  size_t got = 0;
  if (IoResult read = in.Read(std::span(&extra, 1), got); !read) {
    return Fail(TransformStep::Read, read.Cause);
  }
  if (got != 0) return Fail(TransformStep::InputChanged, "it grew while it was read");
  if (IoResult flushed = out.Flush(); !flushed) return Fail(TransformStep::Finish, flushed.Cause);
  if (IoResult closed = out.Close(); !closed) return Fail(TransformStep::Finish, closed.Cause);
  return std::nullopt;
}

}  // namespace tavrinole
