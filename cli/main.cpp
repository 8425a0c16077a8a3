#include <string>
#include <vector>

#include "cli/cli.h"

#ifdef _WIN32
#include "cli/console_windows.h"
#include "cli/messages.h"

// Windows hands over the arguments in UTF-16, so names outside the console's code page
// arrive intact.
int wmain(int argc, wchar_t** argv) {
  using namespace tavrinole::cli;
  const Utf8ConsoleOutput utf8Console;
  const auto arguments = Utf8Arguments(argc, argv);
  if (!arguments) {
    Report({Describe(arguments.Error()), {}});
    return ExitUsage;
  }
  const int code = Run(*arguments);
  RunFinished();
  return code;
}
#else
#include <fcntl.h>

int main(int argc, char** argv) {
  // A standard stream started closed would have its number given to the next file
  // opened, a document among them, and messages meant for it would land in that file.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) {
      return tavrinole::cli::ExitFailure;
    }
  }
  return tavrinole::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
