#include "app/linux/linux_program.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <memory>

#include "engine/terminating_signals.h"
#include "ui/entry.h"

namespace tavrinole::qt {
namespace {

// The handler only notes the signal and wakes the GUI thread through a pipe; the
// closing happens there, in whichever of its loops runs.
volatile sig_atomic_t caught = 0;
int wake[2] = {-1, -1};

extern "C" void OnTerminatingSignal(int) {
  caught = 1;
  const char byte = 1;
  (void)!write(wake[1], &byte, 1);  // a full pipe already holds a wake-up
}

class CloseOnSignals {
 public:
  explicit CloseOnSignals(QtWindowSystem& windows) {
    caught = 0;
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return;  // no descriptors: default actions
    notifier_ = std::make_unique<QSocketNotifier>(wake[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [&windows] {
      char drained[64];
      while (read(wake[0], drained, sizeof drained) > 0) {
      }
      windows.CloseAll();
    });
    CatchTerminatingSignals(OnTerminatingSignal);
  }
  ~CloseOnSignals() {
    if (!notifier_) return;
    CatchTerminatingSignals(SIG_DFL);
    notifier_.reset();
    close(wake[0]);
    close(wake[1]);
    wake[0] = wake[1] = -1;
  }
  CloseOnSignals(const CloseOnSignals&) = delete;
  CloseOnSignals& operator=(const CloseOnSignals&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

int RunLinuxProgram(QtWindowSystem& windows, FileSystem& files) {
  int result = 0;
  {
    const CloseOnSignals closing(windows);
    result = RunTavrinole(windows, files, nullptr);
  }
  return caught != 0 ? 1 : result;
}

}  // namespace tavrinole::qt
