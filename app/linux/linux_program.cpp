#include "app/linux/linux_program.h"

#include <signal.h>

#include <atomic>
#include <cerrno>

#include "engine/terminating_signals.h"
#include "platform/qt/wake_pipe.h"
#include "ui/entry.h"

namespace tavrinole::qt {
namespace {

// The handler only notes the signal and wakes the GUI thread; the closing happens
// there, in whichever of its loops runs.
volatile sig_atomic_t caught = 0;
std::atomic<const WakePipe*> wakeOnSignal{nullptr};
static_assert(std::atomic<const WakePipe*>::is_always_lock_free, "read in a signal handler");

extern "C" void OnTerminatingSignal(int) {
  const int interrupted = errno;  // of whatever the thread was doing
  caught = 1;
  if (const WakePipe* wake = wakeOnSignal.load()) wake->Wake();
  errno = interrupted;
}

class CloseOnSignals {
 public:
  explicit CloseOnSignals(QtWindowSystem& windows) : wake_([&windows] { windows.CloseAll(); }) {
    caught = 0;
    if (!wake_.Ready()) return;  // no descriptors: default actions
    wakeOnSignal = &wake_;
    CatchTerminatingSignals(OnTerminatingSignal);
  }
  ~CloseOnSignals() {
    if (!wake_.Ready()) return;
    CatchTerminatingSignals(SIG_DFL);
    wakeOnSignal = nullptr;
  }
  CloseOnSignals(const CloseOnSignals&) = delete;
  CloseOnSignals& operator=(const CloseOnSignals&) = delete;

 private:
  WakePipe wake_;
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
