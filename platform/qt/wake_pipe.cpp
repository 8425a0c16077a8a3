#include "platform/qt/wake_pipe.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavrinole::qt {

WakePipe::WakePipe(std::function<void()> onWake) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  read_ = ends[0];
  write_ = ends[1];
  notifier_ = std::make_unique<QSocketNotifier>(read_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                   [this, onWake = std::move(onWake)] {
                     char drained[64];
                     while (read(read_, drained, sizeof drained) > 0) {
                     }
                     onWake();
                   });
}

WakePipe::~WakePipe() {
  notifier_.reset();
  if (read_ >= 0) close(read_);
  if (write_ >= 0) close(write_);
}

void WakePipe::Wake() const noexcept {
  const char byte = 1;
  // A full pipe already holds a wake-up, so a short write loses nothing.
  [[maybe_unused]] const ssize_t written = write(write_, &byte, 1);
}

}  // namespace tavrinole::qt
