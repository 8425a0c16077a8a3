// Starts a program and prints the milliseconds from just before its process starts to
// the moment the X server maps its first top-level window; then stops it.
//   tavrinole-time-to-window PROGRAM [ARG...]
// Listens for the map itself (SubstructureNotify on the root window) instead of
// polling, so the figure carries no polling interval.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [ARG...]\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "time-to-window: cannot open the display (DISPLAY unset?)\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(127);
  }
  // Waits on the connection a little at a time, so that a program that ends or hangs
  // without a window is noticed.
  bool shown = false;
  while (!shown) {
    while (!shown && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      // Menus and tooltips are override-redirect; the program's own windows are not.
      shown = event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect;
    }
    if (shown) break;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, 20);
    const bool ended = waitpid(child, nullptr, WNOHANG) == child;
    const bool late = std::chrono::steady_clock::now() - start > std::chrono::seconds(30);
    if (ended || late) {
      std::fprintf(stderr, "time-to-window: %s %s\n", argv[1],
                   ended ? "ended before it showed a window" : "showed no window in 30 s");
      if (!ended) kill(child, SIGKILL);
      return 1;
    }
  }
  const auto mapped = std::chrono::steady_clock::now();
  std::printf("%.1f\n", std::chrono::duration<double, std::milli>(mapped - start).count());
  std::fflush(stdout);
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  XCloseDisplay(display);
  return 0;
}
