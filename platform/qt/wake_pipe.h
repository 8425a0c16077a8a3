// A wake-up for the GUI thread's event loop that any thread, and a signal handler, can
// send: a byte written to a pipe whose reading end the event loop watches. Wakes that
// come before the loop reads are folded into one.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace tavrinole::qt {

class WakePipe {
 public:
  // On the GUI thread, whose event loop then runs `onWake` after emptying the pipe.
  // Without a pipe (none left to the process) nothing wakes, and Ready says so.
  explicit WakePipe(std::function<void()> onWake);
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  bool Ready() const { return notifier_ != nullptr; }

  // Any thread, and async-signal-safe: it only writes one byte.
  void Wake() const noexcept;

 private:
  int read_ = -1;
  int write_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tavrinole::qt
