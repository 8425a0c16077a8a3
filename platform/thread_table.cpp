#include "platform/thread_table.h"

#include <atomic>
#include <chrono>

namespace tavrinole {

struct ThreadTable::Record {
  std::thread thread;
  std::mutex mu;
  std::condition_variable alert;
  bool alerted = false;
  bool closing = false;  // the table is going: no sleep lasts
  std::atomic<bool> finished{false};
};

namespace {
// The record of the thread running this code, when we started it.
thread_local ThreadTable::Record* currentRecord = nullptr;
}  // namespace

ThreadTable::ThreadTable(std::function<bool()> onGuiThread,
                         std::function<void(const std::function<bool()>&)> pumpUntil,
                         std::function<void()> wake)
    : onGuiThread_(std::move(onGuiThread)),
      pumpUntil_(std::move(pumpUntil)),
      wake_(std::move(wake)) {}

ThreadTable::~ThreadTable() {
  std::map<uintptr_t, std::shared_ptr<Record>> left;
  {
    std::lock_guard lock(mu_);
    left.swap(threads_);
  }
  for (auto& [key, record] : left) {
    std::lock_guard lock(record->mu);
    record->closing = true;
    record->alert.notify_all();
  }
  for (auto& [key, record] : left) {
    if (record->thread.joinable()) record->thread.join();
  }
}

ThreadHandle ThreadTable::Begin(ThreadRoutine routine, void* argument) {
  if (routine == nullptr) return ThreadHandle::None;
  auto record = std::make_shared<Record>();
  std::lock_guard lock(mu_);
  try {
    record->thread = std::thread([this, record = record.get(), routine, argument] {
      currentRecord = record;
      routine(argument);
      record->finished = true;
      if (wake_) wake_();
    });
  } catch (const std::system_error&) {
    return ThreadHandle::None;
  }
  const uintptr_t key = next_++;
  threads_[key] = std::move(record);
  return static_cast<ThreadHandle>(key);
}

std::shared_ptr<ThreadTable::Record> ThreadTable::Find(ThreadHandle thread) const {
  std::lock_guard lock(mu_);
  auto found = threads_.find(static_cast<uintptr_t>(thread));
  return found == threads_.end() ? nullptr : found->second;
}

// Given a pump, a join on the GUI thread keeps the event loop running: the thread may
// be waiting for a message box that only the GUI thread can show and the user dismiss,
// as a Win32 program's MsgWaitForMultipleObjects loop would serve it. Without one it
// just waits, as WaitForSingleObject does.
BOOL ThreadTable::Join(ThreadHandle thread) {
  std::shared_ptr<Record> record = Find(thread);
  if (record == nullptr || record.get() == currentRecord) return FALSE;
  {
    std::lock_guard lock(mu_);
    if (threads_.erase(static_cast<uintptr_t>(thread)) == 0) return FALSE;
  }
  if (onGuiThread_ && onGuiThread_()) pumpUntil_([&] { return record->finished.load(); });
  record->thread.join();
  return TRUE;
}

BOOL ThreadTable::Alert(ThreadHandle thread) {
  std::shared_ptr<Record> record = Find(thread);
  if (record == nullptr) return FALSE;
  std::lock_guard lock(record->mu);
  record->alerted = true;
  record->alert.notify_all();
  return TRUE;
}

DWORD ThreadTable::Sleep(DWORD milliseconds, BOOL alertable) {
  const auto duration = std::chrono::milliseconds(milliseconds);
  Record* record = currentRecord;
  if (record == nullptr) {
    std::this_thread::sleep_for(duration);
    return 0;
  }
  std::unique_lock lock(record->mu);
  record->alert.wait_for(lock, duration,
                         [&] { return record->closing || (alertable && record->alerted); });
  if (!alertable || !record->alerted) return 0;
  record->alerted = false;
  return WAIT_IO_COMPLETION;
}

}  // namespace tavrinole
