// Driving real Qt dialogs as a user would: clicks, keys and the close box go through
// the window, so a window blocked by a modal one or a disabled control takes nothing,
// exactly as for a person at the screen.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <vector>

#include "platform/qt/qt_window_system.h"

namespace tavrinole::test_support {

// On the middle of a button, on the box of a check box (its empty right part takes no
// clicks).
inline void ClickAsUser(QWidget* control) {
  QWidget* window = control->window();
  const QRect area = control->rect();
  const QPoint at = qobject_cast<QCheckBox*>(control) != nullptr
                        ? QPoint(area.left() + area.height() / 2, area.center().y())
                        : area.center();
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, control->mapTo(window, at));
}

inline void KeyAsUser(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QTest::keyClick(window->windowHandle(), key, modifiers);
}

// The title bar's close box.
inline void CloseAsUser(QWidget* window) {
  window->windowHandle()->close();
}

// Runs `step` from inside the next modal loop.
inline void Later(std::function<void()> step) {
  QTimer::singleShot(0, qApp, std::move(step));
}

[[nodiscard]] inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
  return QTest::qWaitFor(condition, milliseconds);
}

// The visible message box, if there is exactly one.
inline QMessageBox* ShownBox() {
  QMessageBox* found = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box == nullptr) {
      for (QMessageBox* child : widget->findChildren<QMessageBox*>()) {
        if (child->isVisible()) box = child;
      }
    }
    if (box != nullptr && box->isVisible()) {
      if (found != nullptr && found != box) return nullptr;
      found = box;
    }
  }
  return found;
}

inline QWidget* ControlOf(qt::QtWindowSystem& ws, HWND dialog, int id) {
  return ws.Widget(ws.GetDlgItem(dialog, id));
}

inline WString TextOf(qt::QtWindowSystem& ws, HWND window) {
  std::vector<WCHAR> buffer(8192);
  const int length = ws.GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return WString(buffer.data(), static_cast<size_t>(length));
}

}  // namespace tavrinole::test_support
