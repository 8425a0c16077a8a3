// What tests of the job need on the scripted window system: a file system that holds
// the job in its first read at the layer's gate, and a stand-in GUI thread.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/file_system.h"
#include "platform/scripted/scripted_window_system.h"

namespace tavrinole::test_support {

// Holds the job in its first read of the input at the gate (when `pause` is set) until
// the test opens it or joins the job, so a test can act while the job runs.
class PausedReads final : public FileSystem {
 public:
  PausedReads(FileSystem& inner, ScriptedWindowSystem& windows, bool pause)
      : inner_(inner), windows_(windows), pause_(pause) {}

  IoResult<std::unique_ptr<File>> OpenForReading(const Path& path) override {
    IoResult<std::unique_ptr<File>> result = inner_.OpenForReading(path);
    if (!result || ++opens_ != 2) return result;
    return std::unique_ptr<File>(std::make_unique<Paused>(std::move(result).Value(), *this));
  }
  IoResult<std::unique_ptr<NewFile>> CreateNew(const Path& p) override {
    return inner_.CreateNew(p);
  }
  std::optional<FileIdentity> Identity(const Path& p) override { return inner_.Identity(p); }
  IoResult<EntryKind> Kind(const Path& p) override { return inner_.Kind(p); }

 private:
  struct Paused final : File {
    Paused(std::unique_ptr<File> file, PausedReads& owner)
        : file_(std::move(file)), owner_(owner) {}
    IoResult<size_t> Read(std::span<uint8_t> into) override {
      if (!paused_ && owner_.pause_) owner_.windows_.WaitAtGate();
      paused_ = true;
      return file_->Read(into);
    }
    IoResult<> Write(std::span<const uint8_t> b) override { return file_->Write(b); }
    IoResult<uint64_t> Size() override { return file_->Size(); }
    IoResult<FileStamp> Stamp() override { return file_->Stamp(); }
    IoResult<> Rewind() override { return file_->Rewind(); }
    IoResult<> Flush() override { return file_->Flush(); }
    IoResult<> Close() override { return file_->Close(); }
    std::unique_ptr<File> file_;
    PausedReads& owner_;
    bool paused_ = false;
  };

  FileSystem& inner_;
  ScriptedWindowSystem& windows_;
  bool pause_;
  int opens_ = 0;
};

// Plays the GUI thread until the job has ended the dialog.
inline void ServeUntilEnded(ScriptedWindowSystem& ws, HWND dialog) {
  ASSERT_TRUE(ws.WaitFor([&] { return ws.State(dialog).ended; }));
}

}  // namespace tavrinole::test_support
