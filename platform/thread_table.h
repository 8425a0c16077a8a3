// Threads for the job and its ticker, as the window system's interface describes them,
// on std::thread: shared by the Qt and the scripted layers.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/window_system.h"

namespace tavrinole {

class ThreadTable {
 public:
  // `pumpUntil` keeps the GUI thread serving while it joins; `wake` tells it to look
  // again after a thread has ended. Without them a join just waits.
  ThreadTable() = default;
  ThreadTable(std::function<bool()> onGuiThread,
              std::function<void(const std::function<bool()>&)> pumpUntil,
              std::function<void()> wake);
  ~ThreadTable();  // cuts every sleep short, then joins every thread still known
  ThreadTable(const ThreadTable&) = delete;
  ThreadTable& operator=(const ThreadTable&) = delete;

  ThreadHandle Begin(ThreadRoutine routine, void* argument);
  BOOL Join(ThreadHandle thread);
  BOOL Alert(ThreadHandle thread);
  DWORD Sleep(DWORD milliseconds, BOOL alertable);

  struct Record;

 private:
  std::shared_ptr<Record> Find(ThreadHandle thread) const;

  std::function<bool()> onGuiThread_;
  std::function<void(const std::function<bool()>&)> pumpUntil_;
  std::function<void()> wake_;
  mutable std::mutex mu_;
  std::map<uintptr_t, std::shared_ptr<Record>> threads_;
  uintptr_t next_ = 1;
};

}  // namespace tavrinole
