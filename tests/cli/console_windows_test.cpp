// The Windows console's events during a run. Ctrl-C cancels it and it leaves nothing
// behind. A closing console is held until the run has cleaned up: the system ends the
// process as soon as the handler returns. The events go to the handler directly, as
// Wine gives a test no console to raise them on. Each test is a process of its own
// (the handler's state is the process's).
#include "cli/console_windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "cli/cli.h"
#include "tests/support/temp_folder.h"

namespace tavrinole {
namespace {

using test_support::Bytes;
using test_support::TempFolder;
using test_support::WriteBytes;

class ConsoleEvents : public ::testing::Test {
 protected:
  TempFolder folder;

  void SetUp() override {
    WriteBytes(folder / "in", Bytes(size_t{256} << 20, 0x5A));  // takes a while to encode
    WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '2', 'X', '5', '\n'});
  }

  bool TemporaryFileShows() const {
    for (const auto& entry : std::filesystem::directory_iterator(folder.Root())) {
      if (entry.path().filename().string().starts_with(".tavrinole-")) return true;
    }
    return false;
  }

  // Runs the tool, handing `event` to the console handler from another thread once the
  // new document has begun. Says whether the handler had returned when the run did, and
  // lets it return only after that, as the program's entry does.
  int RunWith(unsigned long event, bool& handlerReturnedBeforeTheRun) {
    std::atomic<bool> sent{false}, returned{false}, handled{false};
    std::atomic<bool> stop{false};
    std::thread console([&] {
      while (!stop && !TemporaryFileShows())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      if (stop) return;
      sent = true;
      handled = cli::HandleConsoleEvent(event);
      returned = true;
    });
    const int code = cli::Run({"--quiet", "--password-file", (folder / "pw").string(), "-o",
                               (folder / "out").string(), (folder / "in").string()});
    handlerReturnedBeforeTheRun = returned;
    stop = true;
    cli::RunFinished();  // as the program's entry does
    console.join();
    EXPECT_TRUE(sent) << "the run ended before the event could be sent";
    EXPECT_TRUE(handled);
    return code;
  }
};

TEST_F(ConsoleEvents, CtrlCCancelsTheRunAndNothingIsLeft) {
  bool handlerFirst = false;  // Ctrl-C only asks: the handler returns at once, the run goes on
  EXPECT_EQ(RunWith(CTRL_C_EVENT, handlerFirst), cli::ExitFailure);
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "pw"}));
}

TEST_F(ConsoleEvents, AClosingConsoleIsHeldUntilTheRunHasCleanedUp) {
  bool handlerFirst = true;
  EXPECT_EQ(RunWith(CTRL_CLOSE_EVENT, handlerFirst), cli::ExitFailure);
  EXPECT_FALSE(handlerFirst);  // had it returned, the system would have ended the run
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "pw"}));
}

}  // namespace
}  // namespace tavrinole
