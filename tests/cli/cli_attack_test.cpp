// The command-line tool as an attacker or a careless user meets it: links and devices
// at OUTPUT, inputs that are not files, signals and limits mid-run, the terminal at the
// password prompt, endless password files, names that are not UTF-8.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "tests/cli/cli_fixture.h"

namespace tavrinole {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// True once `pid` holds an unnamed file open in `folder`: the new document is being
// written, and no name of the folder shows it.
bool WritesUnnamedIn(int pid, const fs::path& folder) {
  std::error_code ignored;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ignored)) {
    const std::string target = fs::read_symlink(fd.path(), ignored).string();
    if (target.rfind(folder.string() + "/", 0) == 0 &&
        target.find("(deleted)") != std::string::npos) {
      return true;
    }
  }
  return false;
}

bool WaitUntilWriting(int pid, const fs::path& folder) {
  for (int i = 0; i < 4000; ++i) {
    if (WritesUnnamedIn(pid, folder)) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

// ThreadSanitizer holds a signal back while the program waits in a read or an open, so
// a signal while it waits for a password is seen only once one comes.
#if defined(__SANITIZE_THREAD__)
constexpr bool kSignalsWaitForReads = true;
#else
constexpr bool kSignalsWaitForReads = false;
#endif

// Waits up to five seconds for `pid` to end; then kills it and says so.
bool EndsSoon(int pid, int& status) {
  for (int i = 0; i < 500; ++i) {
    if (::waitpid(pid, &status, WNOHANG) != 0) return true;
    std::this_thread::sleep_for(10ms);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return false;
}

class CliAttack : public Cli {
 protected:
  // A sparse input big enough that a run lasts long enough to be interrupted.
  void MakeBigInput() {
    WriteBytes(folder / "big", {});
    fs::resize_file(folder / "big", uint64_t{3} << 30);
    WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '\n'});
  }
  ProgramResult RunLimited(std::vector<std::string> arguments, const std::string& input = {}) {
    arguments.insert(arguments.begin(), {"10", kCli});
    return test_support::RunProgram("/usr/bin/timeout", arguments, input, folder.Root().string());
  }
};

// --- Never replace without consent; only regular files -------------------------------------

TEST_F(CliAttack, ALinkAtOutputIsAnExistingFileAndForceReplacesTheLinkNotItsTarget) {
  const Bytes original = RandomBytes(500, 21);
  WriteBytes(folder / "in", original);
  WriteBytes(folder / "target", Bytes(9, 9));
  fs::create_symlink("target", folder / "link");
  fs::create_symlink("nowhere", folder / "dangling");
  for (const char* name : {"link", "dangling"}) {
    ProgramResult r = RunWith("TIGER", {"-o", name, "in"});
    EXPECT_EQ(r.ExitCode, 1) << name;
    EXPECT_NE(r.Err.find("already exists"), std::string::npos) << r.Err;
    EXPECT_TRUE(fs::is_symlink(folder / name));

    r = RunWith("TIGER", {"--force", "-o", name, "in"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_FALSE(fs::is_symlink(folder / name));
    EXPECT_EQ(ReadBytes(folder / name), Reference(original, "TIGER"));
  }
  EXPECT_EQ(ReadBytes(folder / "target"), Bytes(9, 9));
}

// The nodes are made in the test's own folder: a tool that got this wrong must not be
// able to replace the system's /dev/null while it is tested.
TEST_F(CliAttack, DevicesAndFifosAtOutputAreNeverReplacedEvenWhenForced) {
  WriteBytes(folder / "in", RandomBytes(500, 22));
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  std::vector<std::string> outputs{"fifo"};
  // A device like /dev/null (character device 1, 3); only root may make one.
  if (::mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    outputs.push_back("null");
  }
  for (const std::string& output : outputs) {
    const ProgramResult r =
        RunLimited({"--password-file", "-", "--force", "-o", output, "in"}, "TIGER\n");
    EXPECT_EQ(r.ExitCode, 1) << output;
    EXPECT_NE(r.Err.find("is not a regular file; it is never replaced"), std::string::npos)
        << r.Err;
  }
  EXPECT_TRUE(fs::is_fifo(folder / "fifo"));
  if (outputs.size() == 2) {
    EXPECT_TRUE(fs::is_character_file(folder / "null"));
  }
}

TEST_F(CliAttack, InputsThatAreNotFilesAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);  // no writer
  fs::create_directory(folder / "folder");
  for (const char* input : {"fifo", "folder", "/dev/zero"}) {
    const ProgramResult r = RunLimited({"--password-file", "-", "-o", "out", input}, "TIGER\n");
    EXPECT_EQ(r.ExitCode, 1) << input;  // not 124: timeout never had to stop it
    EXPECT_NE(r.Err.find("is not a regular file"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"fifo", "folder"}));
}

// --- Permissions ------------------------------------------------------------------------

TEST_F(CliAttack, APrivateInputGivesAPrivateOutput) {
  WriteBytes(folder / "in", RandomBytes(500, 23));
  fs::permissions(folder / "in", fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(RunWith("TIGER", {"-o", "out", "in"}).ExitCode, 0);
  EXPECT_EQ(fs::status(folder / "out").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

// Only root may keep a replaced file's owner, but any user keeps its group when they
// belong to it. The group's access must not pass to the user's own group: where the
// group cannot be kept, the group gets what both the old group and everyone had.
TEST_F(CliAttack, AUserReplacingAFileKeepsItsGroupOrGrantsItsOwnGroupNoMore) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run the tool as another user";
  fs::permissions(folder.Root(), fs::perms::all);
  fs::copy_file(kCli, folder / "cli");  // where the other user may run it
  WriteBytes(folder / "in", RandomBytes(500, 30));
  WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '\n'});
  for (const auto& [group, mode, expectedGroup, expectedMode] :
       {std::tuple{4242u, 0660u, 4242u, 0660u},
        {4243u, 0660u, 65534u, 0600u},
        {4243u, 0674u, 65534u, 0644u}}) {
    WriteBytes(folder / "out", Bytes(7, 7));
    ASSERT_EQ(::chown((folder / "out").c_str(), 0, group), 0);
    ASSERT_EQ(::chmod((folder / "out").c_str(), mode), 0);
    const ProgramResult r = test_support::RunProgram(
        "/usr/bin/setpriv",
        {"--reuid=65534", "--regid=65534", "--groups=4242", (folder / "cli").string(),
         "--password-file", "pw", "-f", "-o", "out", "in"},
        {}, folder.Root().string());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    struct stat st {};
    ASSERT_EQ(::stat((folder / "out").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, expectedGroup);
    EXPECT_EQ(st.st_mode & 07777, expectedMode) << "group " << group;
  }
}

// --- Signals and limits -----------------------------------------------------------------

TEST_F(CliAttack, EveryTerminatingSignalMidRunEndsItLikeACancel) {
  MakeBigInput();
  for (const int signal :
       {SIGHUP, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGINT, SIGTERM, SIGQUIT, SIGRTMIN + 1}) {
    const int pid = test_support::StartProgram(kCli, {"--password-file", "pw", "-o", "out", "big"},
                                               folder.Root().string());
    ASSERT_TRUE(WaitUntilWriting(pid, folder.Root())) << "signal " << signal;
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "signal " << signal << " killed it";
    EXPECT_EQ(WEXITSTATUS(status), 1) << "signal " << signal;
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"big", "pw"})) << "signal " << signal;
  }
}

// True once `pid` has its handler for `signal` in place.
bool Catches(int pid, int signal) {
  for (int i = 0; i < 4000; ++i) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("SigCgt:", 0) == 0 &&
          (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) {
        return true;
      }
    }
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

// Before the run there is nothing to undo, so a signal ends a wait for a password that
// never comes: a FIFO nobody opens, or one held open that sends nothing.
TEST_F(CliAttack, ASignalEndsTheWaitForAPassword) {
  if (kSignalsWaitForReads) GTEST_SKIP() << "signals wait for the read under ThreadSanitizer";
  WriteBytes(folder / "in", RandomBytes(500, 29));
  ASSERT_EQ(::mkfifo((folder / "pw").c_str(), 0600), 0);
  for (const bool heldOpen : {false, true}) {
    const int silent = heldOpen ? ::open((folder / "pw").c_str(), O_RDWR) : -1;
    const int pid = test_support::StartProgram(kCli, {"--password-file", "pw", "-o", "out", "in"},
                                               folder.Root().string());
    ASSERT_TRUE(Catches(pid, SIGINT));
    ::kill(pid, SIGINT);
    int status = 0;
    if (!EndsSoon(pid, status)) {
      ADD_FAILURE() << "still waiting for the password 5 s after SIGINT, held open: " << heldOpen;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "held open: " << heldOpen;
    }
    if (silent >= 0) ::close(silent);
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "pw"}));
}

// Many files: the file in hand is abandoned, no other is started, and what was done
// before stays done.
TEST_F(CliAttack, ASignalMidBatchAbandonsTheFilesInHand) {
  MakeBigInput();
  fs::create_hard_link(folder / "big", folder / "big2");
  fs::create_directory(folder / "out");
  WriteBytes(folder / "small", RandomBytes(4096, 27));
  const int pid = test_support::StartProgram(
      kCli, {"--password-file", "pw", "--output-dir", "out", "small", "big", "big2"},
      folder.Root().string());
  ASSERT_TRUE(WaitUntilWriting(pid, folder / "out"));
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  std::set<std::string> written;
  for (const auto& entry : fs::directory_iterator(folder / "out")) {
    written.insert(entry.path().filename().string());
  }
  // "small" is done in a moment; the signal is all but sure to meet a big one.
  EXPECT_TRUE(written.empty() || written == std::set<std::string>{"small"});
}

TEST_F(CliAttack, AFileSizeLimitIsAWriteFailure) {
  MakeBigInput();
  const ProgramResult r = test_support::RunProgram(
      "/usr/bin/prlimit", {"--fsize=10000000", kCli, "--password-file", "pw", "-o", "out", "big"},
      {}, folder.Root().string());
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("can't write the new document \"out\": File too large"), std::string::npos)
      << r.Err;
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"big", "pw"}));
}

// The tool on a terminal of its own, as a user at a shell would run it.
class PasswordPrompt : public CliAttack {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    terminal_ = ::ptsname(master_);
  }
  void TearDown() override { ::close(master_); }

  int Start(const std::vector<std::string>& arguments) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setsid();
      const int tty = ::open(terminal_.c_str(), O_RDWR);  // becomes the controlling terminal
      ::dup2(tty, 0);
      ::dup2(tty, 1);
      ::dup2(tty, 2);
      if (::chdir(folder.Root().c_str()) != 0) ::_exit(126);
      std::vector<char*> argv{const_cast<char*>(kCli.c_str())};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(kCli.c_str(), argv.data());
      ::_exit(127);
    }
    return pid;
  }

  // Reads what the program shows until `text` appears.
  bool WaitFor(const std::string& text) {
    std::string shown;
    for (int i = 0; i < 5000 && shown.find(text) == std::string::npos; ++i) {
      char buffer[256];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) shown.append(buffer, static_cast<size_t>(n));
      if (n <= 0) std::this_thread::sleep_for(1ms);
    }
    return shown.find(text) != std::string::npos;
  }

  bool Echoes() {
    const int tty = ::open(terminal_.c_str(), O_RDWR | O_NOCTTY);
    termios mode{};
    ::tcgetattr(tty, &mode);
    ::close(tty);
    return (mode.c_lflag & ECHO) != 0;
  }

  int master_ = -1;
  std::string terminal_;
};

TEST_F(PasswordPrompt, TheEchoComesBackWhateverEndsThePrompt) {
  if (kSignalsWaitForReads) GTEST_SKIP() << "signals wait for the read under ThreadSanitizer";
  WriteBytes(folder / "in", RandomBytes(500, 24));
  ::fcntl(master_, F_SETFL, O_NONBLOCK);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    const int pid = Start({"-o", "out", "in"});
    ASSERT_TRUE(WaitFor("Password: ")) << "signal " << signal;
    EXPECT_FALSE(Echoes());
    ::kill(pid, signal);
    int status = 0;
    EXPECT_TRUE(EndsSoon(pid, status)) << "signal " << signal;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "signal " << signal;
    EXPECT_TRUE(Echoes()) << "signal " << signal;
  }
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

// "--password-file -" with a terminal as standard input: the password is typed once,
// and not shown.
TEST_F(PasswordPrompt, APasswordTypedAsStandardInputIsNotShown) {
  const Bytes original = RandomBytes(500, 33);
  WriteBytes(folder / "in", original);
  ::fcntl(master_, F_SETFL, O_NONBLOCK);
  const int pid = Start({"--password-file", "-", "-o", "out", "in"});
  ASSERT_TRUE(WaitFor("Password: "));
  EXPECT_FALSE(Echoes());
  ASSERT_EQ(::write(master_, "TIGER\n", 6), 6);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(Echoes());
  EXPECT_EQ(ReadBytes(folder / "out"), Reference(original, "TIGER"));
}

// A shell that stops the program at the prompt turns the echo back on; it goes off again
// when the program continues, before anything more is typed.
TEST_F(PasswordPrompt, TheEchoGoesOffAgainWhenAStoppedPromptContinues) {
  if (kSignalsWaitForReads) GTEST_SKIP() << "signals wait for the read under ThreadSanitizer";
  WriteBytes(folder / "in", RandomBytes(500, 32));
  ::fcntl(master_, F_SETFL, O_NONBLOCK);
  const int pid = Start({"-o", "out", "in"});
  ASSERT_TRUE(WaitFor("Password: "));
  ::kill(pid, SIGSTOP);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
  const int tty = ::open(terminal_.c_str(), O_RDWR | O_NOCTTY);
  termios mode{};
  ::tcgetattr(tty, &mode);
  mode.c_lflag |= ECHO;
  ::tcsetattr(tty, TCSANOW, &mode);
  ::close(tty);
  ::kill(pid, SIGCONT);
  for (int i = 0; i < 5000 && Echoes(); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(Echoes());
  ASSERT_EQ(::write(master_, "TIGER\n", 6), 6);
  ASSERT_TRUE(WaitFor("Repeat the password: "));
  ASSERT_EQ(::write(master_, "TIGER\n", 6), 6);
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(Echoes());
}

// Ctrl-D at either prompt: the user is told the input ended, not that there is no terminal.
TEST_F(PasswordPrompt, AnEndedInputIsNotAMissingTerminal) {
  WriteBytes(folder / "in", RandomBytes(500, 31));
  ::fcntl(master_, F_SETFL, O_NONBLOCK);
  for (const bool typedFirst : {false, true}) {
    const int pid = Start({"-o", "out", "in"});
    ASSERT_TRUE(WaitFor("Password: "));
    if (typedFirst) {
      ASSERT_EQ(::write(master_, "TIGER\n", 6), 6);
      ASSERT_TRUE(WaitFor("Repeat the password: "));
    }
    ASSERT_EQ(::write(master_, "\x04", 1), 1);
    EXPECT_TRUE(WaitFor("no password was typed: the input ended")) << "typed first: " << typedFirst;
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << "typed first: " << typedFirst;
  }
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

TEST_F(PasswordPrompt, TheProgressBarCountsTheBytesOfEveryFile) {
  fs::create_directory(folder / "out");
  for (const char* name : {"x", "y", "z"}) WriteBytes(folder / name, RandomBytes(1500000, 28));
  WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '\n'});
  ::fcntl(master_, F_SETFL, O_NONBLOCK);
  const int pid = Start({"--password-file", "pw", "--output-dir", "out", "x", "y", "z"});
  EXPECT_TRUE(WaitFor("100%  4.3 / 4.3 MiB"));  // 4,500,000 bytes
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// --- Bounded reads of small inputs --------------------------------------------------------

TEST_F(CliAttack, APasswordFileIsReadOnlyUpToItsFirstLineAndAFewHundredBytes) {
  WriteBytes(folder / "in", RandomBytes(500, 25));
  WriteBytes(folder / "huge", {});
  fs::resize_file(folder / "huge", uint64_t{1} << 30);  // zeros and no line end
  std::string longLine(300, 'A');
  WriteBytes(folder / "long", Bytes(longLine.begin(), longLine.end()));
  for (const char* file : {"/dev/zero", "huge", "long"}) {
    const ProgramResult r = RunLimited({"--password-file", file, "-o", "out", "in"});
    EXPECT_EQ(r.ExitCode, 2) << file;
    EXPECT_NE(r.Err.find("is longer than 256 bytes"), std::string::npos) << r.Err;
  }
  // Whatever follows the first line is never read.
  Bytes trailing{'T', 'I', 'G', 'E', 'R', '\n'};
  trailing.resize(10000000, 'x');
  WriteBytes(folder / "pw", trailing);
  ASSERT_EQ(Run({"--password-file", "pw", "-o", "out", "in"}).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "out"), Reference(ReadBytes(folder / "in"), "TIGER"));
}

// --- Names are the system's ---------------------------------------------------------------

TEST_F(CliAttack, NamesThatAreNotUtf8WorkBothWays) {
  const Bytes original = RandomBytes(700, 26);
  WriteBytes(folder / "caf\xE9", original);  // Latin-1
  ASSERT_EQ(RunWith("TIGER", {"-o", "\xE9t\xE9.tvr", "caf\xE9"}).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "\xE9t\xE9.tvr"), Reference(original, "TIGER"));
  ASSERT_EQ(RunWith("TIGER", {"-o", "back\xFF", "\xE9t\xE9.tvr"}).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "back\xFF"), original);
}

// Help or a version that never reached its reader is no success.
TEST_F(CliAttack, HelpThatCannotBeWrittenIsAFailure) {
  for (const char* option : {"--help", "--version"}) {
    const ProgramResult r =
        test_support::RunProgram("/bin/sh", {"-c", "exec \"$0\" \"$1\" >/dev/full", kCli, option});
    EXPECT_EQ(r.ExitCode, 1) << option;
    EXPECT_NE(r.Err.find("can't write to standard output"), std::string::npos) << r.Err;
  }
}

TEST_F(CliAttack, NamesInMessagesCannotReachTheTerminalRaw) {
  const ProgramResult r =
      RunWith("TIGER", {"-o", "out", "\x1B]0;owned\x07\x1B[2J\xE9\xE2\x80\xAE"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Err.find('\x1B'), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find('\x07'), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("\"\\x1B]0;owned\\x07\\x1B[2J\\xE9\\xE2\\x80\\xAE\""), std::string::npos)
      << r.Err;
}

}  // namespace
}  // namespace tavrinole
