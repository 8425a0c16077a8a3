// The Win32 layer on the real API: dialogs ended from workers, texts set across threads,
// message boxes from workers, the program's window class, and the thread operations.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/win32/win32_window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole {
namespace {

constexpr int Label = ids::MakerLabel;  // the one control of the About dialog
constexpr INT_PTR Ended = 42;

HINSTANCE Self() {
  return GetModuleHandleW(nullptr);
}

// What a test's dialog procedure works with; it arrives as the dialog's parameter.
struct Scene {
  explicit Scene(Win32WindowSystem& windows) : ws(windows) {}
  Win32WindowSystem& ws;
  HWND dialog = nullptr;
  std::vector<UINT> messages;  // every message the procedure saw
  void (*onInit)(Scene&) = nullptr;
  void (*onTimer)(Scene&) = nullptr;
  // Results the worker and the timer leave for the test.
  std::atomic<BOOL> workerSet{FALSE};
  WString textAfterSet;
  BOOL ownerEnabledWhileBoxShows = TRUE;
  bool boxSeen = false;
  bool calledByItsLayer = false;
  LONG_PTR stored = 0;
};

// The scene travels as the dialog's parameter and stays in its DWLP_USER, as our
// dialogs keep their objects; the procedure reaches the layer as its caller.
INT_PTR CALLBACK SceneProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  WindowSystem* windows = WindowSystem::Calling();
  if (windows == nullptr) return FALSE;
  if (message == WM_INITDIALOG) {
    (void)windows->SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    reinterpret_cast<Scene*>(lParam)->dialog = dialog;
  }
  auto* scene = reinterpret_cast<Scene*>(windows->GetWindowLongPtrW(dialog, DWLP_USER));
  if (scene == nullptr) return FALSE;
  scene->messages.push_back(message);
  if (message == WM_INITDIALOG && scene->onInit) scene->onInit(*scene);
  if (message == WM_TIMER && scene->onTimer) scene->onTimer(*scene);
  if (message == WM_CLOSE) scene->ws.EndDialog(dialog, 0);
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

INT_PTR RunAbout(Scene& scene) {
  return scene.ws.DialogBoxParamW(Self(), MAKEINTRESOURCEW(ids::AboutDialog), nullptr, &SceneProc,
                                  reinterpret_cast<LPARAM>(&scene));
}

// Runs `work` with the scene on a thread of the layer, without joining it.
void OnWorker(Scene& scene, ThreadRoutine work) {
  ASSERT_NE(scene.ws.BeginThread(work, &scene), ThreadHandle::None);
}

TEST(Win32Dialogs, TheDialogCarriesItsObjectAndItsProcedureKnowsItsLayer) {
  Win32WindowSystem ws;
  Scene scene{ws};
  scene.onInit = [](Scene& s) {
    s.calledByItsLayer = WindowSystem::Calling() == &s.ws;
    s.stored = s.ws.GetWindowLongPtrW(s.dialog, DWLP_USER);
    s.ws.PostEndDialog(s.dialog, Ended);
  };
  EXPECT_EQ(RunAbout(scene), Ended);
  EXPECT_TRUE(scene.calledByItsLayer);
  EXPECT_EQ(scene.stored, reinterpret_cast<LONG_PTR>(&scene));
  EXPECT_EQ(WindowSystem::Calling(), nullptr);
}

TEST(Win32Dialogs, AWorkerEndsADialogThroughThePostedMessage) {
  Win32WindowSystem ws;
  Scene scene{ws};
  scene.onInit = [](Scene& s) {
    OnWorker(s, [](void* p) {
      Scene& s = *static_cast<Scene*>(p);
      s.ws.EndDialog(s.dialog, Ended);  // off the GUI thread: becomes PostEndDialog
    });
  };
  EXPECT_EQ(RunAbout(scene), Ended);
  for (UINT message : scene.messages) EXPECT_NE(message, Win32WindowSystem::EndDialogMessage);
  EXPECT_FALSE(IsWindow(scene.dialog));
}

TEST(Win32Dialogs, AWorkersTextIsInPlaceWhenItsCallReturns) {
  Win32WindowSystem ws;
  Scene scene{ws};
  scene.onInit = [](Scene& s) {
    OnWorker(s, [](void* p) {
      Scene& s = *static_cast<Scene*>(p);
      HWND label = s.ws.GetDlgItem(s.dialog, Label);
      s.workerSet = s.ws.SetWindowTextW(label, L"from the worker \u00A3&<");
      WCHAR text[64] = {};
      s.ws.GetWindowTextW(label, text, 64);
      s.textAfterSet = text;
      s.ws.PostEndDialog(s.dialog, Ended);
    });
  };
  ASSERT_EQ(RunAbout(scene), Ended);
  EXPECT_TRUE(scene.workerSet);
  EXPECT_EQ(scene.textAfterSet, L"from the worker \u00A3&<");
}

TEST(Win32Dialogs, AnEndedDialogRefusesRequestsAtOnce) {
  Win32WindowSystem ws;
  Scene scene{ws};
  scene.onInit = [](Scene& s) { s.ws.PostEndDialog(s.dialog, Ended); };
  ASSERT_EQ(RunAbout(scene), Ended);
  HWND stale = scene.dialog;
  EXPECT_FALSE(ws.PostEndDialog(stale, 1));
  EXPECT_FALSE(ws.SetWindowTextW(stale, L"late"));
  EXPECT_EQ(ws.GetDlgItem(stale, Label), nullptr);
}

// The worker shows a box owned by the dialog; a timer on the GUI thread finds the box,
// looks at the owner and answers. The worker then ends the dialog with the answer.
TEST(Win32Dialogs, ABoxFromAWorkerDisablesItsOwnerWhileTheGuiKeepsRunning) {
  Win32WindowSystem ws;
  Scene scene{ws};
  scene.onInit = [](Scene& s) {
    SetTimer(s.dialog, 1, 50, nullptr);
    OnWorker(s, [](void* p) {
      Scene& s = *static_cast<Scene*>(p);
      const int answer = s.ws.MessageBoxW(s.dialog, L"text", L"Tavrinole test box", MB_OK);
      s.ws.PostEndDialog(s.dialog, answer);
    });
  };
  scene.onTimer = [](Scene& s) {
    HWND box = FindWindowW(L"#32770", L"Tavrinole test box");
    if (box == nullptr || s.boxSeen) return;
    s.boxSeen = true;
    s.ownerEnabledWhileBoxShows = s.ws.IsWindowEnabled(s.dialog);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  };
  EXPECT_EQ(RunAbout(scene), IDOK);
  EXPECT_TRUE(scene.boxSeen);
  EXPECT_FALSE(scene.ownerEnabledWhileBoxShows);
}

TEST(Win32Dialogs, WithoutItsClassTheMainDialogCannotBeMade) {
  Win32WindowSystem ws;
  Scene scene{ws};
  EXPECT_EQ(ws.DialogBoxParamW(Self(), MAKEINTRESOURCEW(ids::MainDialog), nullptr, &SceneProc,
                               reinterpret_cast<LPARAM>(&scene)),
            -1);
}

// The entry's steps: the system dialog class under our name with our icon. windres
// writes the class name in capitals; Windows matches it regardless of case.
TEST(Win32Dialogs, TheMainDialogIsMadeOfTheRegisteredClass) {
  Win32WindowSystem ws;
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  EXPECT_TRUE(ws.InitCommonControlsEx(&controls));
  WNDCLASSEXW dialogClass{};
  dialogClass.cbSize = sizeof(WNDCLASSEXW);
  ASSERT_TRUE(ws.GetClassInfoExW(nullptr, WC_DIALOG, &dialogClass));
  const auto icon = static_cast<HICON>(ws.LoadImageW(Self(), MAKEINTRESOURCEW(ids::ProgramIcon),
                                                     IMAGE_ICON, 48, 48, LR_CREATEDIBSECTION));
  ASSERT_NE(icon, nullptr);
  dialogClass.hInstance = Self();
  dialogClass.hIcon = dialogClass.hIconSm = icon;
  dialogClass.lpszClassName = L"TavrinolClass";
  ASSERT_NE(ws.RegisterClassExW(&dialogClass), 0);

  static WCHAR className[64];
  static HICON classIcon;
  Scene scene{ws};
  scene.onInit = [](Scene& s) {
    GetClassNameW(s.dialog, className, 64);
    classIcon = reinterpret_cast<HICON>(GetClassLongPtrW(s.dialog, GCLP_HICON));
    s.ws.EndDialog(s.dialog, Ended);
  };
  EXPECT_EQ(ws.DialogBoxParamW(Self(), MAKEINTRESOURCEW(ids::MainDialog), nullptr, &SceneProc,
                               reinterpret_cast<LPARAM>(&scene)),
            Ended);
  EXPECT_EQ(lstrcmpiW(className, L"TavrinolClass"), 0) << className;
  EXPECT_EQ(classIcon, icon);
  UnregisterClassW(L"TavrinolClass", Self());
}

// --- Threads -------------------------------------------------------------------------

struct ThreadProbe {
  explicit ThreadProbe(Win32WindowSystem& windows) : ws(windows) {}
  Win32WindowSystem& ws;
  std::atomic<bool> done{false};
  DWORD sleepResult = 0;
  BOOL selfJoin = TRUE;
  ThreadHandle self = ThreadHandle::None;
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~ThreadProbe() {
    CloseHandle(started);
    CloseHandle(go);
  }
};

TEST(Win32Threads, AJoinWaitsForTheRoutineAndWorksOnce) {
  Win32WindowSystem ws;
  ThreadProbe probe{ws};
  const ThreadHandle thread = ws.BeginThread(
      [](void* p) {
        auto& probe = *static_cast<ThreadProbe*>(p);
        WaitForSingleObject(probe.go, INFINITE);
        probe.done = true;
      },
      &probe);
  ASSERT_NE(thread, ThreadHandle::None);
  EXPECT_FALSE(probe.done);
  SetEvent(probe.go);
  EXPECT_TRUE(ws.JoinThread(thread));
  EXPECT_TRUE(probe.done);
  EXPECT_FALSE(ws.JoinThread(thread));
  EXPECT_FALSE(ws.AlertThread(thread));
}

TEST(Win32Threads, AThreadCannotJoinItself) {
  Win32WindowSystem ws;
  ThreadProbe probe{ws};
  probe.self = ws.BeginThread(
      [](void* p) {
        auto& probe = *static_cast<ThreadProbe*>(p);
        WaitForSingleObject(probe.go, INFINITE);
        probe.selfJoin = probe.ws.JoinThread(probe.self);
      },
      &probe);
  ASSERT_NE(probe.self, ThreadHandle::None);
  SetEvent(probe.go);
  EXPECT_TRUE(ws.JoinThread(probe.self));
  EXPECT_FALSE(probe.selfJoin);
}

// An alert that comes while the thread is busy elsewhere is kept for its next alertable
// sleep, so the job can stop its ticker whatever step the ticker is in. (One queued
// before the thread has begun at all runs as it begins, as Windows does it; the job
// clears JobRunning first, so the ticker then never sleeps.)
TEST(Win32Threads, AnAlertCutsTheNextAlertableSleepShort) {
  Win32WindowSystem ws;
  ThreadProbe probe{ws};
  const ThreadHandle thread = ws.BeginThread(
      [](void* p) {
        auto& probe = *static_cast<ThreadProbe*>(p);
        SetEvent(probe.started);
        WaitForSingleObject(probe.go, INFINITE);
        probe.sleepResult = probe.ws.SleepEx(600000, TRUE);
      },
      &probe);
  ASSERT_NE(thread, ThreadHandle::None);
  WaitForSingleObject(probe.started, INFINITE);
  EXPECT_TRUE(ws.AlertThread(thread));
  SetEvent(probe.go);
  ASSERT_TRUE(ws.JoinThread(thread));
  EXPECT_EQ(probe.sleepResult, WAIT_IO_COMPLETION);
  EXPECT_EQ(ws.SleepEx(1, TRUE), 0u);
}

TEST(Win32Threads, UnknownHandlesAreRefused) {
  Win32WindowSystem ws;
  const auto unknown = static_cast<ThreadHandle>(0x1234);
  EXPECT_FALSE(ws.JoinThread(unknown));
  EXPECT_FALSE(ws.AlertThread(unknown));
  EXPECT_FALSE(ws.JoinThread(ThreadHandle::None));
}

}  // namespace
}  // namespace tavrinole
