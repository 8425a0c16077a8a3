#include "tests/support/faulty_file_system.h"

#include "engine/publish.h"

namespace tavrinole::test_support {
namespace {

// Wraps a native file and fails, or lies about its size, as told.
template <class Base>
class FaultyFile : public Base {
 public:
  FaultyFile(std::unique_ptr<Base> inner, const Faults& faults, int64_t sizeChange)
      : inner_(std::move(inner)), faults_(faults), sizeChange_(sizeChange) {}

  IoResult<size_t> Read(std::span<uint8_t> into) override {
    if (faults_.ReadErrorAfter && read_ + into.size() > *faults_.ReadErrorAfter) {
      return IoFailure("Input/output error");
    }
    const IoResult<size_t> result = inner_->Read(into);
    if (!result) return result;
    size_t got = *result;
    // A file that shrank: the reads end sizeChange_ bytes early.
    if (sizeChange_ < 0) {
      const uint64_t end = trueSize() - static_cast<uint64_t>(-sizeChange_);
      if (read_ + got > end) got = read_ < end ? static_cast<size_t>(end - read_) : 0;
    }
    read_ += got;
    // A file that grew: one more byte after the true end.
    if (sizeChange_ > 0 && got < into.size() && !grewOnce_) {
      into[got++] = 0;
      grewOnce_ = true;
    }
    return got;
  }

  IoResult<> Write(std::span<const uint8_t> bytes) override {
    if (faults_.WriteErrorAfter && written_ + bytes.size() > *faults_.WriteErrorAfter) {
      return IoFailure("No space left on device");
    }
    written_ += bytes.size();
    return inner_->Write(bytes);
  }

  IoResult<uint64_t> Size() override { return inner_->Size(); }
  IoResult<FileStamp> Stamp() override { return inner_->Stamp(); }

  IoResult<> Rewind() override {
    if (faults_.FailRewind) return IoFailure("Permission denied");
    return inner_->Rewind();
  }

  void StartWriteBack() override { inner_->StartWriteBack(); }

  IoResult<> Flush() override {
    if (faults_.FailFlush && written_ > 0) return IoFailure("Input/output error");
    return inner_->Flush();
  }

  // A failed close leaves the file to Abandon, as a late write error would.
  IoResult<> Close() override {
    if (faults_.FailClose && written_ > 0) return IoFailure("No space left on device");
    return inner_->Close();
  }

 protected:
  std::unique_ptr<Base> inner_;
  const Faults& faults_;

 private:
  uint64_t trueSize() {
    const IoResult<uint64_t> size = inner_->Size();
    return size ? *size : 0;
  }

  int64_t sizeChange_;
  uint64_t read_ = 0;
  uint64_t written_ = 0;
  bool grewOnce_ = false;
};

class FaultyNewFile final : public FaultyFile<NewFile> {
 public:
  using FaultyFile::FaultyFile;

  // Publishing begins with a look at the name: the seam where another process acts.
  IoResult<NameEntry> AtName() override {
    if (faults_.BeforePublish) faults_.BeforePublish();
    return inner_->AtName();
  }
  IoResult<> GiveAccess(const FileAccess& from, bool replacing) override {
    return inner_->GiveAccess(from, replacing);
  }
  IoResult<> TakeName() override {
    if (faults_.FailReplace) return IoFailure("Permission denied");
    return inner_->TakeName();
  }
  IoResult<Stage> SwapIn() override {
    if (faults_.FailReplace) return IoFailure("Permission denied");
    return inner_->SwapIn();
  }
  IoResult<> Abandon(Stage reached) override { return inner_->Abandon(reached); }
};

}  // namespace

IoResult<std::unique_ptr<File>> FaultyFileSystem::OpenForReading(const Path& path) {
  ++opensForReading_;
  if (opensForReading_ == faults_.FailOpenForReadingCall) return IoFailure("Permission denied");
  IoResult<std::unique_ptr<File>> opened = native_.OpenForReading(path);
  if (!opened) return opened;
  const int64_t change = opensForReading_ >= 2 ? faults_.ContentChangeOnReopen : 0;
  return std::unique_ptr<File>(
      std::make_unique<FaultyFile<File>>(std::move(opened).Value(), faults_, change));
}

IoResult<std::unique_ptr<NewFile>> FaultyFileSystem::CreateNew(const Path& output) {
  if (faults_.FailCreateNew) return IoFailure("Permission denied");
  IoResult<std::unique_ptr<NewFile>> created = native_.CreateNew(output);
  if (!created) return created;
  return std::unique_ptr<NewFile>(
      std::make_unique<FaultyNewFile>(std::move(created).Value(), faults_, 0));
}

std::optional<FileIdentity> FaultyFileSystem::Identity(const Path& path) {
  const auto alias = faults_.SameFileAs.find(path);
  return native_.Identity(alias == faults_.SameFileAs.end() ? path : alias->second);
}

}  // namespace tavrinole::test_support
