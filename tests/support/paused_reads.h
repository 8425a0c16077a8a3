// What tests of the job need on the scripted window system: a file system that holds
// the job in its first read at the layer's gate, and a stand-in GUI thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "engine/file_system.h"
#include "platform/scripted/scripted_window_system.h"

namespace tavrinole::test_support {

// Holds the job in its first read of the input at the gate (when `pause` is set) until
// the test opens it or joins the job, so a test can act while the job runs.
class PausedReads final : public FileSystem {
 public:
  PausedReads(FileSystem& inner, ScriptedWindowSystem& windows, bool pause)
      : inner_(inner), windows_(windows), pause_(pause) {}

  IoResult OpenForReading(const Path& path, std::unique_ptr<File>& file) override {
    IoResult result = inner_.OpenForReading(path, file);
    if (result && ++opens_ == 2) file = std::make_unique<Paused>(std::move(file), *this);
    return result;
  }
  IoResult CreateNew(const Path& p, std::unique_ptr<NewFile>& f) override {
    return inner_.CreateNew(p, f);
  }
  std::optional<FileIdentity> Identity(const Path& p) override { return inner_.Identity(p); }
  EntryKind Kind(const Path& p) override { return inner_.Kind(p); }

 private:
  struct Paused final : File {
    Paused(std::unique_ptr<File> file, PausedReads& owner)
        : file_(std::move(file)), owner_(owner) {}
    IoResult Read(std::span<uint8_t> into, size_t& got) override {
      if (!paused_ && owner_.pause_) owner_.windows_.WaitAtGate();
      paused_ = true;
      return file_->Read(into, got);
    }
    IoResult Write(std::span<const uint8_t> b) override { return file_->Write(b); }
    IoResult Size(uint64_t& s) override { return file_->Size(s); }
    IoResult Stamp(FileStamp& s) override { return file_->Stamp(s); }
    IoResult Rewind() override { return file_->Rewind(); }
    IoResult Flush() override { return file_->Flush(); }
    IoResult Close() override { return file_->Close(); }
    std::unique_ptr<File> file_;
    PausedReads& owner_;
    bool paused_ = false;
  };

  FileSystem& inner_;
  ScriptedWindowSystem& windows_;
  bool pause_;
  int opens_ = 0;
};

// Plays the GUI thread until the job has ended the dialog; the job works between its
// requests, so idleness alone does not mean it is done.
inline void ServeUntilEnded(ScriptedWindowSystem& ws, HWND dialog) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!ws.HasEnded(dialog) && std::chrono::steady_clock::now() < deadline) {
    ASSERT_TRUE(ws.WaitIdle());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace tavrinole::test_support
