// What only the real Win32 layer does: its private end message, and the program's
// window class. What every layer does is in the contract suite.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/win32_window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole {
namespace {

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
  // What the procedure saw at WM_INITDIALOG, for the test.
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

}  // namespace
}  // namespace tavrinole
