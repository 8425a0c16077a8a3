#include "engine/terminating_signals.h"

#include <signal.h>

#include <initializer_list>

namespace tavrinole {

void CatchTerminatingSignals(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGQUIT,
                           SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGXCPU, SIGSTKFLT}) {
    sigaction(signal, &action, nullptr);
  }
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaction(signal, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace tavrinole
