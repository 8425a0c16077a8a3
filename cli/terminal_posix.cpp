// The terminal and its signals on POSIX systems. The one flag below is all a signal
// handler touches beside writing its message: what a signal does is chosen by which
// handler is installed, and the prompt, not a handler, puts the terminal back.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/messages.h"
#include "cli/terminal.h"
#include "engine/terminating_signals.h"

namespace tavrinole::cli {
namespace {

// Set by a signal during a prompt or a run: the run's cancel, the prompt's end.
std::atomic<bool> interrupted{false};

extern "C" void EndAtOnce(int) {
  for (const char* part : {Program, ": error: ", Interrupted, "\n"}) {
    (void)!::write(STDERR_FILENO, part, std::strlen(part));
  }
  ::_exit(ExitFailure);
}

extern "C" void Interrupt(int) {
  interrupted.store(true);
}

// Wakes a prompt whose program a shell stopped and continued: the shell gave the
// terminal its echo back, and the prompt turns it off again.
extern "C" void Wake(int) {}

// While a password is typed, signals are held back but while the prompt waits, so that
// whatever ends the wait, the prompt is the one to put the terminal back.
class HeldSignals {
 public:
  HeldSignals() {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before_);
    CatchTerminatingSignals(Interrupt);
    struct sigaction wake {};
    wake.sa_handler = Wake;
    sigaction(SIGCONT, &wake, &continued_);
  }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;
  ~HeldSignals() {
    sigaction(SIGCONT, &continued_, nullptr);
    WatchSignals();
    sigprocmask(SIG_SETMASK, &before_, nullptr);
  }

  // Waits until `fd` has something to read, or reading it would fail at once; false
  // when a signal came first.
  bool WaitForInput(int fd) const {
    pollfd readable{fd, POLLIN, 0};
    return ::ppoll(&readable, 1, nullptr, &before_) > 0 || errno != EINTR;
  }

 private:
  sigset_t before_;
  struct sigaction continued_ {};
};

// The terminal with its echo off while it lives.
class QuietTerminal {
 public:
  explicit QuietTerminal(int fd) : fd_(fd), isTerminal_(tcgetattr(fd, &saved_) == 0) {
    quiet_ = saved_;
    quiet_.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (isTerminal_) tcsetattr(fd_, TCSAFLUSH, &quiet_);
  }
  QuietTerminal(const QuietTerminal&) = delete;
  QuietTerminal& operator=(const QuietTerminal&) = delete;
  ~QuietTerminal() {
    if (isTerminal_) tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  void Again() {
    if (isTerminal_) tcsetattr(fd_, TCSANOW, &quiet_);
  }

 private:
  const int fd_;
  termios saved_{};
  termios quiet_{};
  const bool isTerminal_;
};

void Show(int fd, std::string_view text) {
  (void)!::write(fd, text.data(), text.size());
}

// The line typed on `fd`, up to its line end or the end of the input; as a line read
// into a buffer of 1024 bytes, it keeps 1023 at most.
Result<std::string, PasswordFault> ReadLine(int fd, const char* prompt) {
  const HeldSignals held;
  QuietTerminal quiet(fd);
  Show(fd, prompt);
  std::string line;
  for (;;) {
    if (interrupted.load()) return Fail(PasswordFault::Interrupted);
    if (!held.WaitForInput(fd)) {
      quiet.Again();
      continue;
    }
    char buffer[1024];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    line.append(buffer, static_cast<size_t>(got));
    if (line.back() == '\n') break;
  }
  if (line.empty()) return Fail(PasswordFault::InputEnded);
  if (line.size() > 1023) line.resize(1023);
  return WithoutLineEnding(std::move(line));
}

}  // namespace

bool IsTerminal(int stream) {
  return isatty(stream) == 1;
}

Result<std::string, PasswordFault> AskTerminal(const char* prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) return Fail(PasswordFault::NoTerminal);
  Result<std::string, PasswordFault> line = ReadLine(fd, prompt);
  Show(fd, "\n");
  ::close(fd);
  return line;
}

void WatchSignals() {
  CatchTerminatingSignals(EndAtOnce);
}

const std::atomic<bool>& CancelRunOnSignals() {
  CatchTerminatingSignals(Interrupt);
  return interrupted;
}

}  // namespace tavrinole::cli
