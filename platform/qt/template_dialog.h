// A dialog built from one of our templates, behaving as a Win32 dialog does for its
// procedure: WM_INITDIALOG before it shows, WM_COMMAND for clicks and for Esc and
// Enter, WM_CLOSE for the close box, and nothing but EndDialog ends it.
#pragma once

#include <QDialog>
#include <QEventLoop>
#include <QPushButton>
#include <vector>

#include "platform/qt/dialog_units.h"
#include "platform/window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole::qt {

class TemplateDialog final : public QDialog {
  Q_OBJECT

 public:
  struct Control {
    int id;
    QWidget* widget;
  };

  // `windows` is named as the caller whenever the procedure is called.
  TemplateDialog(WindowSystem& windows, const resources::DialogTemplate& dialog, QWidget* owner,
                 DLGPROC proc);
  ~TemplateDialog() override;

  const resources::DialogTemplate& Template() const { return template_; }
  const std::vector<Control>& Controls() const { return controls_; }
  BaseUnits Units() const { return units_; }

  // The handles the window system gave the dialog and its controls.
  void SetHandles(HWND dialog, std::vector<HWND> controls);
  HWND Handle() const { return handle_; }

  // WM_INITDIALOG, then shown and served by a loop of its own until End.
  INT_PTR Run(LPARAM param);
  void End(INT_PTR result);
  bool Ended() const { return ended_; }

  // A message straight to the procedure, as SendMessageW to a dialog.
  INT_PTR Send(UINT message, WPARAM wParam, LPARAM lParam);

  // Win32 dialogs give no button a say in closing; Qt's would close on these.
  void done(int) override {}
  void accept() override {}
  void reject() override {}

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildControl(const resources::ControlTemplate& control);
  void Command(int id, HWND control);
  QWidget* FirstTabStop() const;
  QPushButton* DefaultButton() const;
  void ShowDefaultButton();

  WindowSystem& windows_;
  const resources::DialogTemplate& template_;
  DLGPROC proc_;
  BaseUnits units_;
  std::vector<Control> controls_;
  std::vector<HWND> controlHandles_;
  HWND handle_ = nullptr;
  QEventLoop* loop_ = nullptr;
  bool ended_ = false;
  INT_PTR result_ = 0;
  QMetaObject::Connection focusWatch_;
};

}  // namespace tavrinole::qt
