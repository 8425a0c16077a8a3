// What every window layer must do for our dialog procedures, written once and run on
// each layer with that layer's driver:
//
//   struct Driver {
//     Layer ws;                                  // the window system under test
//     void Later(std::function<void()> step);    // on the GUI thread, inside the running
//                                                // loops, after input already given
//     void Escape(HWND dialog, int focusId);     // the keys, with that control focused
//     void Enter(HWND dialog, int focusId);
//     void CloseBox(HWND dialog);                // the title bar's close box
//     bool Shows(HWND dialog);                   // on screen now
//     void ExpectBox();                          // the next box stays up until answered
//     bool BoxShows(const WCHAR* caption);
//     void AnswerBox(const WCHAR* caption);      // OK, as the user presses it
//   };
// A driver may also name the module its dialogs come from: static HINSTANCE Instance().
//
// The dialogs are the program's own: the main dialog (no owner) and About over it.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/window_system.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

namespace tavrinole::test_support {

inline constexpr int HelpId = ids::HelpButton;         // push button, the first tab stop
inline constexpr int OpenId = ids::OpenButton;         // push button
inline constexpr int SaveAsId = ids::SaveAsButton;     // push button, disabled by the template
inline constexpr int StatusId = ids::PasswordDisplay;  // static text
inline constexpr int CheckId = ids::ShowPasswordBox;   // automatic check box
inline constexpr INT_PTR ClosedResult = 7;

// What a dialog procedure saw, in order.
struct Seen {
  HWND dialog;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool shown;  // whether the dialog was on screen when the message came
};

// The one probe: a procedure that records what it receives. WM_CLOSE ends the dialog
// with ClosedResult unless endOnClose is off.
class ContractProbe {
 public:
  ContractProbe(WindowSystem& windows, std::function<bool(HWND)> shows)
      : ws(windows), shows_(std::move(shows)) {
    current_ = this;
  }
  ~ContractProbe() { current_ = nullptr; }

  INT_PTR Run(int templateId, HWND owner, LPARAM param = 0) {
    return ws.DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, &Proc, param);
  }
  std::vector<WORD> Commands() const {
    std::vector<WORD> ids;
    for (const Seen& m : seen) {
      if (m.message == WM_COMMAND) ids.push_back(LOWORD(m.wParam));
    }
    return ids;
  }
  size_t Count(UINT message) const {
    return static_cast<size_t>(std::count_if(seen.begin(), seen.end(),
                                             [&](const Seen& m) { return m.message == message; }));
  }
  HWND First(int templateId) const {
    for (const auto& [id, dialog] : dialogs) {
      if (id == templateId) return dialog;
    }
    return nullptr;
  }

  WindowSystem& ws;
  HINSTANCE instance = nullptr;
  std::vector<Seen> seen;
  std::vector<std::pair<int, HWND>> dialogs;  // by template, in order of creation
  bool endOnClose = true;
  int unnamedCalls = 0;  // calls during which the layer did not name itself the caller
  int nextTemplate = ids::MainDialog;  // what the next WM_INITDIALOG comes from

 private:
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    ContractProbe& p = *current_;
    if (message != WM_INITDIALOG && message != WM_COMMAND && message != WM_CLOSE) return FALSE;
    if (message == WM_INITDIALOG) p.dialogs.emplace_back(p.nextTemplate, dialog);
    if (WindowSystem::Calling() != &p.ws) ++p.unnamedCalls;
    p.seen.push_back({dialog, message, wParam, lParam, p.shows_(dialog)});
    if (message == WM_CLOSE && p.endOnClose) p.ws.EndDialog(dialog, ClosedResult);
    return TRUE;
  }
  std::function<bool(HWND)> shows_;
  static inline ContractProbe* current_ = nullptr;
};

template <class Driver>
class WindowContract : public ::testing::Test {
 protected:
  using Clock = std::chrono::steady_clock;

  // A step of a scenario. A plain step is retried until it returns true (a worker may
  // not have got there yet); a nesting step opens a loop of its own, so the next step
  // is scheduled before it runs.
  struct Step {
    std::function<bool()> run;
    bool nests = false;
  };
  static Step Nested(std::function<void()> open) {
    return {[open] {
              open();
              return true;
            },
            true};
  }

  // Plays `steps` inside the loops of the dialog that `start` runs, then returns what
  // `start` returned. A step that never comes true fails the test and ends the dialogs.
  INT_PTR Play(std::vector<Step> steps, const std::function<INT_PTR()>& start) {
    auto state = std::make_shared<Scenario>();
    state->steps = std::move(steps);
    Schedule(state);
    const INT_PTR result = start();
    EXPECT_EQ(state->next, state->steps.size()) << "steps left unplayed";
    return result;
  }
  INT_PTR PlayMain(std::vector<Step> steps, LPARAM param = 0) {
    return Play(std::move(steps), [&] { return probe.Run(ids::MainDialog, nullptr, param); });
  }
  HWND Main() const { return probe.First(ids::MainDialog); }
  HWND Item(int id) { return d.ws.GetDlgItem(Main(), id); }

  // Runs `routine` on a thread of the layer.
  ThreadHandle Start(std::function<void()> routine) {
    auto* owned = new std::function<void()>(std::move(routine));
    const ThreadHandle thread = d.ws.BeginThread(
        [](void* argument) {
          std::unique_ptr<std::function<void()>> run(static_cast<std::function<void()>*>(argument));
          (*run)();
        },
        owned);
    if (thread == ThreadHandle::None) delete owned;
    return thread;
  }

  WindowContract() {
    if constexpr (requires { Driver::Instance(); }) probe.instance = Driver::Instance();
  }

  Driver d;
  ContractProbe probe{d.ws, [this](HWND dialog) { return d.Shows(dialog); }};

 private:
  struct Scenario {
    std::vector<Step> steps;
    size_t next = 0;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
  };

  void Schedule(const std::shared_ptr<Scenario>& s) {
    if (s->next == s->steps.size()) return;
    d.Later([this, s] {
      Step& step = s->steps[s->next];
      if (step.nests) {
        ++s->next;
        Schedule(s);
        step.run();
        return;
      }
      if (step.run()) {
        ++s->next;
      } else if (Clock::now() > s->deadline) {
        ADD_FAILURE() << "step " << s->next << " never came true";
        s->steps.resize(s->next);
        for (auto it = probe.dialogs.rbegin(); it != probe.dialogs.rend(); ++it) {
          d.ws.EndDialog(it->second, -3);
        }
        return;
      }
      Schedule(s);
    });
  }
};

TYPED_TEST_SUITE_P(WindowContract);

TYPED_TEST_P(WindowContract, InitDialogComesFirstBeforeTheDialogShows) {
  HWND firstFocus = nullptr;
  const INT_PTR result = this->PlayMain({{[&] {
                                          firstFocus = this->Item(HelpId);
                                          this->d.CloseBox(this->Main());
                                          return true;
                                        }}},
                                        42);
  EXPECT_EQ(result, ClosedResult);
  ASSERT_FALSE(this->probe.seen.empty());
  const Seen& init = this->probe.seen.front();
  EXPECT_EQ(init.message, WM_INITDIALOG);
  EXPECT_EQ(init.lParam, 42);
  EXPECT_FALSE(init.shown);
  EXPECT_EQ(reinterpret_cast<HWND>(init.wParam), firstFocus);  // the first tab stop
  EXPECT_EQ(this->probe.Count(WM_INITDIALOG), 1u);
  EXPECT_EQ(this->probe.Count(WM_CLOSE), 1u);
}

// Esc and Enter reach the procedure as IDCANCEL and IDOK (nothing focused that takes
// Enter itself) and close nothing; the close box sends WM_CLOSE, which closes nothing
// either: only EndDialog ends the loop, with its result.
TYPED_TEST_P(WindowContract, EscEnterAndTheCloseBoxReachTheProcedureAndOnlyEndDialogEnds) {
  this->probe.endOnClose = false;
  bool shownAfterKeys = false;
  const INT_PTR result = this->PlayMain({
      {[&] {
        this->d.Escape(this->Main(), CheckId);
        return true;
      }},
      {[&] {
        this->d.Enter(this->Main(), CheckId);
        return true;
      }},
      {[&] {
        this->d.CloseBox(this->Main());
        return true;
      }},
      {[&] {
        if (this->probe.Count(WM_CLOSE) == 0) return false;
        shownAfterKeys = this->d.Shows(this->Main());
        this->d.ws.EndDialog(this->Main(), 3);
        return true;
      }},
  });
  EXPECT_EQ(result, 3);
  EXPECT_TRUE(shownAfterKeys);
  EXPECT_THAT(this->probe.Commands(), ::testing::ElementsAre(IDCANCEL, IDOK));
  EXPECT_EQ(this->probe.Count(WM_CLOSE), 1u);
}

// Each dialog keeps its own DWLP_USER value, 0 until set and gone with the dialog; the
// layer names itself while it calls the procedure.
TYPED_TEST_P(WindowContract, EachDialogKeepsItsOwnUserValue) {
  auto& ws = this->d.ws;
  LONG_PTR before = -1, mainDuring = 0, aboutOwn = -1, mainAfter = 0;
  HWND main = nullptr;
  this->PlayMain({
      {[&] {
        main = this->Main();
        before = ws.SetWindowLongPtrW(main, DWLP_USER, 1234);
        return true;
      }},
      TestFixture::Nested([&] {
        this->probe.nextTemplate = ids::AboutDialog;
        this->probe.Run(ids::AboutDialog, this->Main());
      }),
      {[&] {
        HWND about = this->probe.First(ids::AboutDialog);
        if (about == nullptr || !this->d.Shows(about)) return false;
        aboutOwn = ws.GetWindowLongPtrW(about, DWLP_USER);
        ws.SetWindowLongPtrW(about, DWLP_USER, 99);
        mainDuring = ws.GetWindowLongPtrW(main, DWLP_USER);
        ws.EndDialog(about, 0);
        return true;
      }},
      {[&] {
        if (this->d.Shows(this->probe.First(ids::AboutDialog))) return false;
        mainAfter = ws.SetWindowLongPtrW(main, DWLP_USER, 5678);
        ws.EndDialog(main, 0);
        return true;
      }},
  });
  EXPECT_EQ(before, 0);
  EXPECT_EQ(aboutOwn, 0);
  EXPECT_EQ(mainDuring, 1234);
  EXPECT_EQ(mainAfter, 1234);                           // the value before
  EXPECT_EQ(ws.GetWindowLongPtrW(main, DWLP_USER), 0);  // gone with its dialog
  EXPECT_EQ(this->probe.unnamedCalls, 0);
  EXPECT_EQ(WindowSystem::Calling(), nullptr);
}

TYPED_TEST_P(WindowContract, AnEndedDialogIsHiddenAtOnce) {
  bool shownBefore = false, shownAfter = true;
  this->PlayMain({{[&] {
    shownBefore = this->d.Shows(this->Main());
    this->d.ws.EndDialog(this->Main(), 1);
    shownAfter = this->d.Shows(this->Main());
    return true;
  }}});
  EXPECT_TRUE(shownBefore);
  EXPECT_FALSE(shownAfter);
}

// About over the main dialog disables it while it runs, and not About itself; the main
// dialog's controls keep their own flags, and the owner is usable again once About has
// ended.
TYPED_TEST_P(WindowContract, AnOwnedDialogDisablesItsOwnerOnlyWhileItRuns) {
  BOOL mainDuring = TRUE, aboutDuring = FALSE, helpDuring = FALSE, saveAsDuring = TRUE,
       mainAfter = FALSE;
  INT_PTR aboutResult = 0;
  this->PlayMain({
      TestFixture::Nested([&] {
        this->probe.nextTemplate = ids::AboutDialog;
        aboutResult = this->probe.Run(ids::AboutDialog, this->Main());
      }),
      {[&] {
        HWND about = this->probe.First(ids::AboutDialog);
        if (about == nullptr || !this->d.Shows(about)) return false;
        mainDuring = this->d.ws.IsWindowEnabled(this->Main());
        aboutDuring = this->d.ws.IsWindowEnabled(about);
        helpDuring = this->d.ws.IsWindowEnabled(this->Item(HelpId));
        saveAsDuring = this->d.ws.IsWindowEnabled(this->Item(SaveAsId));
        this->d.CloseBox(about);
        return true;
      }},
      {[&] {
        if (this->probe.Count(WM_CLOSE) == 0) return false;
        mainAfter = this->d.ws.IsWindowEnabled(this->Main());
        this->d.ws.EndDialog(this->Main(), 0);
        return true;
      }},
  });
  EXPECT_EQ(aboutResult, ClosedResult);
  EXPECT_FALSE(mainDuring);
  EXPECT_TRUE(aboutDuring);
  EXPECT_TRUE(helpDuring);
  EXPECT_FALSE(saveAsDuring);
  EXPECT_TRUE(mainAfter);
}

// Once a dialog has ended, its handles and its controls' fail at once, from any thread,
// and nothing waits for the GUI thread.
TYPED_TEST_P(WindowContract, StaleHandlesFailAtOnceFromAnyThread) {
  HWND main = nullptr, status = nullptr;
  this->PlayMain({{[&] {
    main = this->Main();
    status = this->Item(StatusId);
    this->d.CloseBox(main);
    return true;
  }}});
  auto& ws = this->d.ws;
  EXPECT_EQ(ws.GetDlgItem(main, StatusId), nullptr);
  EXPECT_FALSE(ws.SetWindowTextW(status, WTEXT("late")));
  EXPECT_FALSE(ws.EnableWindow(status, TRUE));
  EXPECT_FALSE(ws.IsWindowEnabled(main));
  EXPECT_FALSE(ws.IsWindowEnabled(status));
  WCHAR text[16] = {'x', 0};
  EXPECT_EQ(ws.GetWindowTextW(status, text, 16), 0);
  EXPECT_FALSE(ws.PostEndDialog(main, 1));

  std::atomic<BOOL> fromWorker{TRUE}, postFromWorker{TRUE};
  const ThreadHandle worker = this->Start([&] {
    fromWorker = ws.SetWindowTextW(status, WTEXT("later"));
    postFromWorker = ws.PostEndDialog(main, 1);
  });
  ASSERT_NE(worker, ThreadHandle::None);
  EXPECT_TRUE(ws.JoinThread(worker));  // the GUI thread does not pump here: nothing waits
  EXPECT_FALSE(fromWorker);
  EXPECT_FALSE(postFromWorker);
}

// A worker's text waits for the GUI thread, which carries it out between handlers,
// never in the middle of one: the handler's own text comes first.
TYPED_TEST_P(WindowContract, AWorkersTextIsSetBetweenHandlersWhileTheWorkerWaits) {
  auto& ws = this->d.ws;
  std::atomic<bool> asking{false};
  std::atomic<BOOL> workerResult{FALSE};
  ThreadHandle worker = ThreadHandle::None;
  WString afterHandler, afterWorker;
  auto text = [&] {
    WCHAR buffer[64] = {};
    ws.GetWindowTextW(this->Item(StatusId), buffer, 64);
    return WString(buffer);
  };
  this->PlayMain({
      {[&] {
        worker = this->Start([&] {
          asking = true;
          workerResult = ws.SetWindowTextW(this->Item(StatusId), WTEXT("from the worker"));
        });
        while (!asking) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // it waits for us now
        ws.SetWindowTextW(this->Item(StatusId), WTEXT("from the handler"));
        afterHandler = text();
        return true;
      }},
      {[&] {
        if (!workerResult) return false;
        afterWorker = text();
        EXPECT_TRUE(ws.JoinThread(worker));
        ws.EndDialog(this->Main(), 0);
        return true;
      }},
  });
  EXPECT_EQ(afterHandler, WTEXT("from the handler"));
  EXPECT_EQ(afterWorker, WTEXT("from the worker"));
}

// EndDialog from a worker only asks and does not wait; the main loop returns once the
// loop above it (About) has unwound.
TYPED_TEST_P(WindowContract, AWorkerEndsTheMainDialogAfterTheLoopAboveItUnwinds) {
  auto& ws = this->d.ws;
  bool aboutShownAfterTheEnd = false;
  std::vector<std::string> order;
  const INT_PTR result = this->PlayMain({
      TestFixture::Nested([&] {
        this->probe.nextTemplate = ids::AboutDialog;
        this->probe.Run(ids::AboutDialog, this->Main());
        order.push_back("about returned");
      }),
      {[&] {
        HWND about = this->probe.First(ids::AboutDialog);
        if (about == nullptr || !this->d.Shows(about)) return false;
        std::atomic<BOOL> asked{FALSE};
        HWND main = this->Main();
        const ThreadHandle worker = this->Start([&] { asked = ws.EndDialog(main, 55); });
        EXPECT_TRUE(ws.JoinThread(worker));  // it did not wait for us
        EXPECT_TRUE(asked);
        return true;
      }},
      {[&] {
        HWND about = this->probe.First(ids::AboutDialog);
        aboutShownAfterTheEnd = this->d.Shows(about);
        order.push_back("closing about");
        ws.EndDialog(about, 0);
        return true;
      }},
  });
  EXPECT_EQ(result, 55);
  EXPECT_TRUE(aboutShownAfterTheEnd);
  EXPECT_THAT(order, ::testing::ElementsAre("closing about", "about returned"));
}

// A box from a worker blocks only the worker. Owned by the main dialog it disables it
// while it shows; without an owner the main dialog stays usable.
TYPED_TEST_P(WindowContract, MessageBoxesFromAWorkerBlockOnlyTheWorker) {
  auto& ws = this->d.ws;
  static constexpr const WCHAR* Owned = WTEXT("Tavrinole owned box");
  static constexpr const WCHAR* Free = WTEXT("Tavrinole free box");
  std::atomic<int> ownedAnswer{0}, freeAnswer{0};
  BOOL mainWithOwned = TRUE, mainWithFree = FALSE;
  ThreadHandle worker = ThreadHandle::None;
  this->d.ExpectBox();
  this->d.ExpectBox();
  this->PlayMain({
      {[&] {
        HWND main = this->Main();
        worker = this->Start([&, main] {
          ownedAnswer = ws.MessageBoxW(main, WTEXT("owned"), Owned, MB_OK);
          freeAnswer = ws.MessageBoxW(nullptr, WTEXT("free"), Free, MB_OK);
        });
        return worker != ThreadHandle::None;
      }},
      {[&] {
        if (!this->d.BoxShows(Owned)) return false;
        mainWithOwned = ws.IsWindowEnabled(this->Main());
        this->d.AnswerBox(Owned);
        return true;
      }},
      {[&] {
        if (!this->d.BoxShows(Free)) return false;
        mainWithFree = ws.IsWindowEnabled(this->Main());
        this->d.AnswerBox(Free);
        return true;
      }},
      {[&] {
        if (freeAnswer == 0) return false;
        EXPECT_TRUE(ws.JoinThread(worker));
        ws.EndDialog(this->Main(), 0);
        return true;
      }},
  });
  EXPECT_EQ(ownedAnswer, IDOK);
  EXPECT_EQ(freeAnswer, IDOK);
  EXPECT_FALSE(mainWithOwned);
  EXPECT_TRUE(mainWithFree);
}

TYPED_TEST_P(WindowContract, AThreadIsJoinedOnceAndNeverByItself) {
  auto& ws = this->d.ws;
  std::atomic<bool> go{false}, ran{false};
  std::atomic<ThreadHandle> self{ThreadHandle::None};
  std::atomic<BOOL> selfJoin{TRUE};
  const ThreadHandle thread = this->Start([&] {
    while (!go || self.load() == ThreadHandle::None) std::this_thread::yield();
    selfJoin = ws.JoinThread(self);
    ran = true;
  });
  ASSERT_NE(thread, ThreadHandle::None);
  self = thread;
  go = true;
  EXPECT_TRUE(ws.JoinThread(thread));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(selfJoin);
  EXPECT_FALSE(ws.JoinThread(thread));
  EXPECT_FALSE(ws.AlertThread(thread));
  EXPECT_FALSE(ws.JoinThread(static_cast<ThreadHandle>(0x7777)));
}

// An alert cuts short the thread's alertable sleep under way, or keeps for its next
// one when it comes during a sleep that is not alertable.
TYPED_TEST_P(WindowContract, AnAlertCutsShortTheCurrentOrTheNextAlertableSleep) {
  auto& ws = this->d.ws;
  std::atomic<bool> sleeping{false};
  std::atomic<DWORD> plain{1}, cut{1}, later{1};
  const auto begun = std::chrono::steady_clock::now();
  ThreadHandle thread = this->Start([&] {
    sleeping = true;
    plain = ws.SleepEx(200, FALSE);
    cut = ws.SleepEx(600000, TRUE);
  });
  ASSERT_NE(thread, ThreadHandle::None);
  while (!sleeping) std::this_thread::yield();
  EXPECT_TRUE(ws.AlertThread(thread));
  EXPECT_TRUE(ws.JoinThread(thread));
  EXPECT_EQ(plain, 0u);
  EXPECT_EQ(cut, static_cast<DWORD>(WAIT_IO_COMPLETION));

  sleeping = false;
  thread = this->Start([&] {
    sleeping = true;
    later = ws.SleepEx(600000, TRUE);
  });
  while (!sleeping) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // asleep by now
  EXPECT_TRUE(ws.AlertThread(thread));
  EXPECT_TRUE(ws.JoinThread(thread));
  EXPECT_EQ(later, static_cast<DWORD>(WAIT_IO_COMPLETION));
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(60));
  EXPECT_EQ(ws.SleepEx(1, TRUE), 0u);  // no alert left over
}

REGISTER_TYPED_TEST_SUITE_P(
    WindowContract, InitDialogComesFirstBeforeTheDialogShows,
    EscEnterAndTheCloseBoxReachTheProcedureAndOnlyEndDialogEnds, AnEndedDialogIsHiddenAtOnce,
    EachDialogKeepsItsOwnUserValue, AnOwnedDialogDisablesItsOwnerOnlyWhileItRuns,
    StaleHandlesFailAtOnceFromAnyThread, AWorkersTextIsSetBetweenHandlersWhileTheWorkerWaits,
    AWorkerEndsTheMainDialogAfterTheLoopAboveItUnwinds, MessageBoxesFromAWorkerBlockOnlyTheWorker,
    AThreadIsJoinedOnceAndNeverByItself, AnAlertCutsShortTheCurrentOrTheNextAlertableSleep);

}  // namespace tavrinole::test_support
