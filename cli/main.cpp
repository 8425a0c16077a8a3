#include <string>
#include <vector>

#include "cli/cli.h"

#ifdef _WIN32
#include <iostream>

#include "cli/console_windows.h"

// Windows hands over the arguments in UTF-16, so names outside the console's code page
// arrive intact.
int wmain(int argc, wchar_t** argv) {
  using namespace tavrinole::cli;
  const Utf8ConsoleOutput utf8Console;
  const tavrinole::Checked<std::vector<std::string>> arguments = Utf8Arguments(argc, argv);
  if (!arguments) {
    std::cerr << "tavrinole-ochrel-cli: error: " << arguments.Error().What << "\n";
    return ExitUsage;
  }
  const int code = Run(*arguments);
  RunFinished();
  return code;
}
#else
int main(int argc, char** argv) {
  return tavrinole::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
