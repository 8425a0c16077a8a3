// Requests from other threads, message boxes from workers, threads and the gate.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>

#include "test_dialogs.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

// A thread body for BeginThread, which takes a plain routine and one pointer.
struct Task {
  std::function<void()> body;
  static void Run(void* self) { static_cast<Task*>(self)->body(); }
};

// Waits (really) until `ready`, for at most five seconds.
template <typename Ready>
bool WaitFor(Ready ready) {
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class ScriptedThreads : public ::testing::Test {
 protected:
  ScriptedWindowSystem ws;
  Probe probe{ws};
};

TEST_F(ScriptedThreads, TextFromAWorkerWaitsForTheGuiThreadToPump) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  HWND label = ws.GetDlgItem(dialog, Label);
  BOOL result = -1;
  std::thread::id worker;
  Task task{[&] {
    worker = std::this_thread::get_id();
    result = ws.SetWindowTextW(label, WTEXT("from the worker"));
  }};
  ThreadHandle thread = ws.BeginThread(&Task::Run, &task);

  ASSERT_TRUE(WaitFor([&] { return ws.PendingRequests() == 1; }));
  EXPECT_EQ(ws.State(dialog, Label).text, WTEXT("label"));  // not until the GUI thread pumps
  EXPECT_EQ(ws.Pump(), 1);
  EXPECT_TRUE(ws.JoinThread(thread));

  EXPECT_EQ(result, TRUE);
  EXPECT_EQ(ws.State(dialog, Label).text, WTEXT("from the worker"));
  CallRecord call = ws.Calls("SetWindowTextW").back();
  EXPECT_EQ(call.thread, worker);
  EXPECT_FALSE(call.onGuiThread);
}

TEST_F(ScriptedThreads, AWaitingRequestFailsWhenItsDialogEnds) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  HWND label = ws.GetDlgItem(dialog, Label);
  BOOL result = -1;
  Task task{[&] { result = ws.SetWindowTextW(label, WTEXT("too late")); }};
  ThreadHandle thread = ws.BeginThread(&Task::Run, &task);
  ASSERT_TRUE(WaitFor([&] { return ws.PendingRequests() == 1; }));

  ASSERT_TRUE(ws.Close(dialog));

  EXPECT_TRUE(ws.JoinThread(thread));
  EXPECT_EQ(result, FALSE);
  EXPECT_EQ(ws.State(dialog, Label).text, WTEXT("label"));
  EXPECT_EQ(ws.Calls("SetWindowTextW").back().result, FALSE);
}

TEST_F(ScriptedThreads, EndDialogFromAWorkerIsQueuedAndNeverWaits) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  BOOL result = FALSE;
  Task task{[&] { result = ws.EndDialog(dialog, 9); }};

  EXPECT_TRUE(ws.JoinThread(ws.BeginThread(&Task::Run, &task)));  // returned without a pump
  EXPECT_EQ(result, TRUE);
  EXPECT_FALSE(ws.State(dialog).ended);

  EXPECT_EQ(ws.Pump(), 1);
  EXPECT_TRUE(ws.State(dialog).ended);
  EXPECT_EQ(ws.State(dialog).result, 9);
  EXPECT_FALSE(ws.PostEndDialog(dialog, 1));  // it no longer exists
}

// The gate holds a thread where a test wants it; opening the gate or joining the
// thread lets it go on.
TEST_F(ScriptedThreads, AThreadWaitsAtTheGateUntilItOpensOrTheThreadIsJoined) {
  std::atomic<int> passed{0};
  Task task{[&] {
    ws.WaitAtGate();
    ++passed;
  }};
  ThreadHandle first = ws.BeginThread(&Task::Run, &task);
  ASSERT_TRUE(ws.WaitFor([&] { return ws.AtGate() == 1; }));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(passed, 0);
  ws.OpenGate();
  EXPECT_TRUE(ws.JoinThread(first));
  EXPECT_EQ(passed, 1);
  EXPECT_EQ(ws.AtGate(), 0);

  ScriptedWindowSystem fresh;
  Task held{[&] { fresh.WaitAtGate(); }};
  ThreadHandle second = fresh.BeginThread(&Task::Run, &held);
  ASSERT_TRUE(fresh.WaitFor([&] { return fresh.AtGate() == 1; }));
  EXPECT_TRUE(fresh.JoinThread(second));
  EXPECT_THAT(fresh.Problems(), IsEmpty());
}

TEST_F(ScriptedThreads, WaitForGivesUpAndSaysSo) {
  ScriptedWindowSystem quick({std::chrono::milliseconds(30)});
  EXPECT_FALSE(quick.WaitFor([] { return false; }));
  EXPECT_THAT(quick.Problems(), ElementsAre(::testing::HasSubstr("timed out")));
}

TEST_F(ScriptedThreads, ThreadStartCanBeScriptedToFail) {
  bool ran = false;
  Task task{[&] { ran = true; }};
  ws.FailNext("BeginThread");

  EXPECT_EQ(ws.BeginThread(&Task::Run, &task), ThreadHandle::None);
  EXPECT_FALSE(ws.JoinThread(ThreadHandle::None));
  EXPECT_FALSE(ran);

  ThreadHandle thread = ws.BeginThread(&Task::Run, &task);
  EXPECT_NE(thread, ThreadHandle::None);
  EXPECT_TRUE(ws.JoinThread(thread));
  EXPECT_TRUE(ran);
}

TEST(ScriptedShutdown, DestroyingTheLayerReleasesEveryWaitingThread) {
  std::atomic<int> finished{0};
  std::optional<ScriptedWindowSystem> ws;  // outlived by the tasks its threads run
  Task box{[&] {
    ws->MessageBoxW(nullptr, WTEXT("held"), WTEXT("Warring"), MB_OK);
    ++finished;
  }};
  Task sleeper{[&] {
    ws->Sleep(100000);
    ++finished;
  }};
  ws.emplace();
  ws->AnswerMessageBox(IDOK, ScriptedWindowSystem::Hold::UntilDismissed);
  ws->BeginThread(&Task::Run, &box);
  ws->BeginThread(&Task::Run, &sleeper);
  ASSERT_TRUE(ws->WaitFor([&] { return ws->HeldOpen() == 1 && !ws->Calls("SleepEx").empty(); }));

  ws.reset();

  EXPECT_EQ(finished, 2);
}

}  // namespace
}  // namespace tavrinole::test_support
