// The window-system contract on the real Win32 layer: input is posted to the windows as
// the system would deliver it, and steps run from thread timers inside the modal loops.
#include <deque>

#include "platform/win32/win32_window_system.h"
#include "tests/support/window_contract.h"

namespace tavrinole::test_support {
namespace {

struct Win32Driver {
  static HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

  // The main dialog's template names our class, as the program's entry registers it.
  Win32Driver() {
    WNDCLASSEXW dialogClass{};
    dialogClass.cbSize = sizeof(WNDCLASSEXW);
    if (ws.GetClassInfoExW(nullptr, WC_DIALOG, &dialogClass)) {
      dialogClass.hInstance = Instance();
      dialogClass.lpszClassName = L"TavrinolClass";
      ws.RegisterClassExW(&dialogClass);
    }
  }
  ~Win32Driver() { UnregisterClassW(L"TavrinolClass", Instance()); }

  void Later(std::function<void()> step) {
    Steps().push_back(std::move(step));
    SetTimer(nullptr, 0, 5, &RunNext);
  }
  void Escape(HWND dialog, int focusId) { Key(dialog, focusId, VK_ESCAPE); }
  void Enter(HWND dialog, int focusId) { Key(dialog, focusId, VK_RETURN); }
  void CloseBox(HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }
  bool Shows(HWND dialog) { return IsWindowVisible(dialog) != FALSE; }
  void ExpectBox() {}
  bool BoxShows(const WCHAR* caption) {
    HWND box = FindWindowW(L"#32770", caption);
    return box != nullptr && IsWindowVisible(box);
  }
  void AnswerBox(const WCHAR* caption) {
    PostMessageW(FindWindowW(L"#32770", caption), WM_COMMAND, IDOK, 0);
  }

  Win32WindowSystem ws;

 private:
  static std::deque<std::function<void()>>& Steps() {
    static std::deque<std::function<void()>> steps;
    return steps;
  }
  // One timer per step; whichever fires runs the oldest step, so they keep their order.
  static void CALLBACK RunNext(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (Steps().empty()) return;
    std::function<void()> step = std::move(Steps().front());
    Steps().pop_front();
    step();
  }
  static void Key(HWND dialog, int focusId, WPARAM key) {
    HWND control = GetDlgItem(dialog, focusId);
    SetFocus(control);
    PostMessageW(control, WM_KEYDOWN, key, 0);
  }
};

using Layers = ::testing::Types<Win32Driver>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowContract, Layers);

}  // namespace
}  // namespace tavrinole::test_support
