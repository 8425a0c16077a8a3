#include "tests/cli/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace tavrinole::test_support {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& folder) {
  if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input, const std::string& folder) {
  char outName[] = "/tmp/tavrinole-out-XXXXXX";
  char errName[] = "/tmp/tavrinole-err-XXXXXX";
  const int out = mkstemp(outName), err = mkstemp(errName);
  int in[2];
  if (out < 0 || err < 0 || pipe(in) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out, 1);
    dup2(err, 2);
    close(in[1]);
    Exec(program, arguments, folder);
  }
  close(in[0]);
  if (!input.empty()) (void)!write(in[1], input.data(), input.size());
  close(in[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  close(out);
  close(err);
  ProgramResult result;
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.Out = Slurp(outName);
  result.Err = Slurp(errName);
  std::remove(outName);
  std::remove(errName);
  return result;
}

int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& folder) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    Exec(program, arguments, folder);
  }
  return pid;
}

}  // namespace tavrinole::test_support
