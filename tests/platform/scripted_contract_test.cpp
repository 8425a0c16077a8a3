// The window-system contract on the scripted layer.
#include <chrono>
#include <thread>

#include "platform/scripted/scripted_window_system.h"
#include "tests/support/window_contract.h"

namespace tavrinole::test_support {
namespace {

struct ScriptedDriver {
  ScriptedDriver() { ws.RegisterTemplates(resources::DialogTemplates); }
  ~ScriptedDriver() { EXPECT_THAT(ws.Problems(), ::testing::IsEmpty()); }

  void Later(std::function<void()> step) {
    ws.QueueCall([step = std::move(step)] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a step may poll
      step();
    });
  }
  void Escape(HWND dialog, int) { ws.PressEscape(dialog); }
  void Enter(HWND dialog, int) { ws.PressEnter(dialog); }
  void CloseBox(HWND dialog) { ws.Close(dialog); }
  bool Shows(HWND dialog) { return ws.State(dialog).shown; }
  void ExpectBox() { ws.AnswerMessageBox(IDOK, ScriptedWindowSystem::Hold::UntilDismissed); }
  bool BoxShows(const WCHAR* caption) {
    const std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
    return ws.HeldOpen() > 0 && !boxes.empty() && boxes.back().caption == caption;
  }
  void AnswerBox(const WCHAR*) { ws.Dismiss(); }

  ScriptedWindowSystem ws;
};

using Layers = ::testing::Types<ScriptedDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(Scripted, WindowContract, Layers);

}  // namespace
}  // namespace tavrinole::test_support
