// The window-system contract on the Qt layer, driven through the real widgets on the
// offscreen platform.
#include "platform/qt/qt_window_system.h"
#include "qt_driver.h"
#include "tests/support/window_contract.h"

namespace tavrinole::test_support {
namespace {

struct QtDriver {
  void Later(std::function<void()> step) { QTimer::singleShot(5, qApp, std::move(step)); }
  void Escape(HWND dialog, int focusId) { Key(dialog, focusId, Qt::Key_Escape); }
  void Enter(HWND dialog, int focusId) { Key(dialog, focusId, Qt::Key_Return); }
  void CloseBox(HWND dialog) { CloseAsUser(ws.Widget(dialog)); }
  bool Shows(HWND dialog) {
    QWidget* widget = ws.Widget(dialog);
    return widget != nullptr && widget->isVisible();
  }
  void ExpectBox() {}
  bool BoxShows(const WCHAR* caption) { return Box(caption) != nullptr; }
  void AnswerBox(const WCHAR* caption) { KeyAsUser(Box(caption), Qt::Key_Return); }

  qt::QtWindowSystem ws;

 private:
  void Key(HWND dialog, int focusId, Qt::Key key) {
    ControlOf(ws, dialog, focusId)->setFocus();
    KeyAsUser(ws.Widget(dialog), key);
  }
  static QMessageBox* Box(const WCHAR* caption) {
    QMessageBox* box = ShownBox();
    return box != nullptr && box->windowTitle() == QString::fromUtf16(caption) ? box : nullptr;
  }
};

using Layers = ::testing::Types<QtDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowContract, Layers);

}  // namespace
}  // namespace tavrinole::test_support
