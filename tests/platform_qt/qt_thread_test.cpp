// Requests from other threads: served by the GUI thread between handlers, while the
// caller waits; dialogs ended from a worker; alertable sleeps and joins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>

#include "qt_driver.h"
#include "qt_probe.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

class QtThreadTest : public ::testing::Test {
 protected:
  qt::QtWindowSystem ws;
  Probe probe{ws};
  std::mutex mu;
  std::vector<std::string> events;

  void Note(std::string event) {
    std::lock_guard lock(mu);
    events.push_back(std::move(event));
  }
  HWND Main() const { return ws.OpenDialog(MainId); }
};

struct TextRequest {
  qt::QtWindowSystem* ws;
  HWND label;
  std::atomic<bool> started{false};
  BOOL result = FALSE;
};

void SetLabelFromWorker(void* argument) {
  auto* request = static_cast<TextRequest*>(argument);
  request->started = true;
  request->result = request->ws->SetWindowTextW(request->label, WTEXT("from the worker"));
}

TEST_F(QtThreadTest, AWorkersTextWaitsUntilTheHandlerHasReturned) {
  TextRequest request{&ws, nullptr};
  ThreadHandle worker = ThreadHandle::None;
  probe.onCommand = [&](HWND main, WORD id) {
    if (id != OpenButton) return;
    request.label = ws.GetDlgItem(main, Label);
    worker = ws.BeginThread(SetLabelFromWorker, &request);
    while (!request.started) std::this_thread::yield();
    std::this_thread::sleep_for(50ms);  // the worker is waiting for us by now
    ws.SetWindowTextW(request.label, WTEXT("from the handler"));
    Note("handler returns");
  };
  WString shown;
  Later([&] {
    ClickAsUser(ControlOf(ws, Main(), OpenButton));
    ASSERT_TRUE(WaitFor([&] { return TextOf(ws, request.label) == u"from the worker"; }));
    shown = TextOf(ws, request.label);
    ASSERT_EQ(ws.JoinThread(worker), TRUE);
    Note("worker joined");
    CloseAsUser(ws.Widget(Main()));
  });
  probe.RunMain();
  EXPECT_EQ(request.result, TRUE);
  EXPECT_EQ(shown, u"from the worker");  // the handler's text came first
  EXPECT_THAT(events, ElementsAre("handler returns", "worker joined"));
}

struct EndRequest {
  qt::QtWindowSystem* ws;
  HWND dialog;
  BOOL result = FALSE;
};

void EndFromWorker(void* argument) {
  auto* request = static_cast<EndRequest*>(argument);
  request->result = request->ws->EndDialog(request->dialog, 55);  // becomes a post
}

TEST_F(QtThreadTest, AWorkerEndsTheMainDialogAfterTheLoopAboveItUnwinds) {
  EndRequest request{&ws, nullptr};
  bool infoOpenAfterEnd = false;
  Later([&] {
    request.dialog = Main();
    Later([&] {
      ThreadHandle worker = ws.BeginThread(EndFromWorker, &request);
      ASSERT_EQ(ws.JoinThread(worker), TRUE);  // the worker did not wait for us
      QTest::qWait(50);
      QWidget* info = ws.Widget(ws.OpenDialog(InfoId));
      infoOpenAfterEnd = info != nullptr && info->isVisible();
      Note("closing info");
      CloseAsUser(info);
    });
    ClickAsUser(ControlOf(ws, Main(), HelpButton));
    Note("help returned");
  });
  EXPECT_EQ(probe.RunMain(), 55);
  EXPECT_EQ(request.result, TRUE);
  EXPECT_TRUE(infoOpenAfterEnd);
  EXPECT_THAT(events, ElementsAre("closing info", "help returned"));
  EXPECT_EQ(ws.PostEndDialog(request.dialog, 1), FALSE);  // ended: gone
}

struct Sleeper {
  qt::QtWindowSystem* ws;
  DWORD milliseconds;
  std::atomic<bool> sleeping{false};
  DWORD result = 12345;
};

void SleepAlertably(void* argument) {
  auto* s = static_cast<Sleeper*>(argument);
  s->sleeping = true;
  s->result = s->ws->SleepEx(s->milliseconds, TRUE);
}

TEST_F(QtThreadTest, AnAlertCutsShortTheSleepUnderWay) {
  Sleeper sleeper{&ws, 60000};
  const auto start = std::chrono::steady_clock::now();
  ThreadHandle thread = ws.BeginThread(SleepAlertably, &sleeper);
  while (!sleeper.sleeping) std::this_thread::yield();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ws.AlertThread(thread), TRUE);
  EXPECT_EQ(ws.JoinThread(thread), TRUE);
  EXPECT_EQ(sleeper.result, WAIT_IO_COMPLETION);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

struct LateSleeper {
  qt::QtWindowSystem* ws;
  std::atomic<bool> go{false};
  DWORD result = 12345;
};

void SleepWhenTold(void* argument) {
  auto* s = static_cast<LateSleeper*>(argument);
  while (!s->go) std::this_thread::yield();
  s->result = s->ws->SleepEx(60000, TRUE);
}

TEST_F(QtThreadTest, AnAlertBeforeTheSleepCutsShortTheNextOne) {
  LateSleeper sleeper{&ws};
  ThreadHandle thread = ws.BeginThread(SleepWhenTold, &sleeper);
  EXPECT_EQ(ws.AlertThread(thread), TRUE);
  sleeper.go = true;
  EXPECT_EQ(ws.JoinThread(thread), TRUE);
  EXPECT_EQ(sleeper.result, WAIT_IO_COMPLETION);
}

TEST_F(QtThreadTest, ATimedSleepWithoutAlertRunsOut) {
  Sleeper sleeper{&ws, 20};
  ThreadHandle thread = ws.BeginThread(SleepAlertably, &sleeper);
  EXPECT_EQ(ws.JoinThread(thread), TRUE);
  EXPECT_EQ(sleeper.result, 0u);
}

struct SelfJoin {
  qt::QtWindowSystem* ws;
  std::atomic<ThreadHandle> self{ThreadHandle::None};
  BOOL result = TRUE;
};

void JoinMyself(void* argument) {
  auto* s = static_cast<SelfJoin*>(argument);
  while (s->self.load() == ThreadHandle::None) std::this_thread::yield();
  s->result = s->ws->JoinThread(s->self);
}

TEST_F(QtThreadTest, JoinsFailForThemselvesUnknownHandlesAndTwice) {
  SelfJoin s{&ws};
  ThreadHandle thread = ws.BeginThread(JoinMyself, &s);
  ASSERT_NE(thread, ThreadHandle::None);
  s.self = thread;
  EXPECT_EQ(ws.JoinThread(thread), TRUE);
  EXPECT_EQ(s.result, FALSE);
  EXPECT_EQ(ws.JoinThread(thread), FALSE);
  EXPECT_EQ(ws.JoinThread(static_cast<ThreadHandle>(999)), FALSE);
  EXPECT_EQ(ws.AlertThread(thread), FALSE);
}

}  // namespace
}  // namespace tavrinole::test_support
