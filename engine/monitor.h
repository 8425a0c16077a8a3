// A lock with one condition to wait on, for threads that hand work to each other many
// times a second. On Windows it is the system's slim lock and condition variable: the
// standard library's there are built on kernel semaphores, and under Wine every wait and
// every wake-up on one of those is a round trip to Wine's server, hundreds of them for
// one large file. Elsewhere it is the standard pair.
#pragma once

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <condition_variable>
#endif

namespace tavrinole {

class Monitor {
 public:
  Monitor() = default;
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

#ifdef _WIN32
  void lock() {
    AcquireSRWLockExclusive(&lock_);
  }
  void unlock() {
    ReleaseSRWLockExclusive(&lock_);
  }
  void NotifyAll() {
    WakeAllConditionVariable(&condition_);
  }

  // Called with the lock held, as std::unique_lock<Monitor> holds it.
  template <class Predicate>
  void Wait(std::unique_lock<Monitor>&, Predicate ready) {
    while (!ready()) SleepConditionVariableSRW(&condition_, &lock_, INFINITE, 0);
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
#else
  void lock() {
    mutex_.lock();
  }
  void unlock() {
    mutex_.unlock();
  }
  void NotifyAll() {
    condition_.notify_all();
  }

  // Called with the lock held, as std::unique_lock<Monitor> holds it: the standard
  // condition waits on the mutex itself, which stays locked for the caller after.
  template <class Predicate>
  void Wait(std::unique_lock<Monitor>&, Predicate ready) {
    std::unique_lock<std::mutex> inner(mutex_, std::adopt_lock);
    condition_.wait(inner, ready);
    inner.release();
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
#endif
};

}  // namespace tavrinole
