#include "tests/cli/run_program.h"

#ifdef _WIN32
#include <windows.h>

#include <thread>

#include "engine/utf.h"
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#endif

namespace tavrinole::test_support {
namespace {

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) {
  const std::u16string wide = *Utf8ToUtf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

// One argument of a command line as the C runtime splits it again: quotes around
// blanks and quotes, backslashes doubled only where a quote follows them.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
    return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// A pipe whose `keep` end stays with us and whose other end the child inherits.
struct Pipe {
  HANDLE Read = nullptr;
  HANDLE Write = nullptr;
  bool Open(bool keepRead) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&Read, &Write, &inherit, 0)) return false;
    return SetHandleInformation(keepRead ? Read : Write, HANDLE_FLAG_INHERIT, 0) != 0;
  }
};

// Starts `program` with `arguments` in `folder`, with no console. The child inherits
// our inheritable handles only when `startup` hands it standard handles.
bool Launch(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& folder, STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
  wchar_t full[MAX_PATH];
  const std::wstring application =
      GetFullPathNameW(Wide(program).c_str(), MAX_PATH, full, nullptr) ? full : Wide(program);
  std::wstring commandLine = Quoted(application);
  for (const std::string& a : arguments) commandLine += L" " + Quoted(Wide(a));
  const std::wstring directory = Wide(folder);
  startup.cb = sizeof startup;
  const BOOL inherit = (startup.dwFlags & STARTF_USESTDHANDLES) != 0 ? TRUE : FALSE;
  return CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, inherit,
                        DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT, nullptr,
                        folder.empty() ? nullptr : directory.c_str(), &startup, &process) != 0;
}

std::string Drain(HANDLE from) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

#else

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

#endif

}  // namespace

#ifdef _WIN32

// The child has no console (DETACHED_PROCESS): what it reads and writes goes through
// the pipes alone, as with a program whose input and output are redirected.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input, const std::string& folder) {
  Pipe in, out, err;
  if (!in.Open(false) || !out.Open(true) || !err.Open(true)) return {};
  STARTUPINFOW startup{};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.Read;
  startup.hStdOutput = out.Write;
  startup.hStdError = err.Write;
  PROCESS_INFORMATION process{};
  const bool started = Launch(program, arguments, folder, startup, process);
  CloseHandle(in.Read);
  CloseHandle(out.Write);
  CloseHandle(err.Write);
  ProgramResult result;
  if (started) {
    std::thread errors([&] { result.Err = Drain(err.Read); });
    DWORD written = 0;
    if (!input.empty())
      WriteFile(in.Write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(in.Write);
    result.Out = Drain(out.Read);
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.ExitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    CloseHandle(in.Write);
  }
  CloseHandle(out.Read);
  CloseHandle(err.Read);
  return result;
}

void* StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) {
  STARTUPINFOW startup{};
  PROCESS_INFORMATION process{};
  if (!Launch(program, arguments, folder, startup, process)) return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

#else

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
  // The child may end before it reads anything (a refused argument): the write then
  // fails with EPIPE, and the SIGPIPE that comes with it must not end the test.
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  if (!input.empty()) (void)!write(in[1], input.data(), input.size());
  const timespec noWait{};
  while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
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

#endif

}  // namespace tavrinole::test_support
