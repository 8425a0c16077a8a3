#include "platform/qt/template_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace tavrinole::qt {
namespace {

using resources::ControlKind;
using resources::ControlTemplate;

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

bool Has(uint32_t style, uint32_t bits) {
  return (style & bits) == bits;
}

QWidget* MakeLabel(const ControlTemplate& control, QWidget* parent) {
  auto* label = new QLabel(parent);
  // Plain text: '&' and '<' are ordinary characters, as with SS_NOPREFIX.
  label->setTextFormat(Qt::PlainText);
  label->setText(ToQString(control.Text));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const uint32_t type = control.Style & resources::SS_TYPEMASK;
  label->setWordWrap(type == resources::SS_LEFT);
  if (Has(control.Style, resources::WS_BORDER)) {
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
  }
  return label;
}

QWidget* MakeWidget(const ControlTemplate& control, QWidget* parent) {
  switch (control.Kind) {
    case ControlKind::PushButton: {
      auto* button = new QPushButton(ToQString(control.Text), parent);
      // The dialog chooses the default button itself (ShowDefaultButton); Qt's
      // automatic defaults would draw one that Enter does not press.
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::AutoCheckBox:
      return new QCheckBox(ToQString(control.Text), parent);
    case ControlKind::StaticText:
      return MakeLabel(control, parent);
  }
  return nullptr;
}

Qt::WindowFlags FlagsFor(const resources::DialogTemplate& dialog) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (Has(dialog.Style, resources::WS_SYSMENU))
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  // WS_MINIMIZEBOX shares its bit with WS_GROUP; on a top-level window it is the box.
  if (Has(dialog.Style, resources::WS_MINIMIZEBOX)) flags |= Qt::WindowMinimizeButtonHint;
  return flags;
}

}  // namespace

TemplateDialog::TemplateDialog(WindowSystem& windows, const resources::DialogTemplate& dialog,
                               QWidget* owner, DLGPROC proc)
    : QDialog(owner, FlagsFor(dialog)), windows_(windows), template_(dialog), proc_(proc) {
  setFont(FontFor(dialog.Font));
  units_ = BaseUnitsOf(font());
  setWindowTitle(ToQString(dialog.Title));
  setSizeGripEnabled(false);
  BuildControls();
  // Template sizes are client sizes; the frame is outside them.
  const QRect client = ToPixels(dialog.At, units_);
  setFixedSize(client.size());
  // The focus of an inactive dialog stays where it was, and so does its default.
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this] { ShowDefaultButton(); });
}

// The controls are deleted after this body, handing their focus on as they go; that
// must not reach a dialog half taken apart.
TemplateDialog::~TemplateDialog() {
  disconnect(focusWatch_);
}

void TemplateDialog::BuildControls() {
  QWidget* previous = nullptr;
  for (const ControlTemplate& control : template_.Controls) {
    QWidget* widget = BuildControl(control);
    controls_.push_back({control.Id, widget});
    if (!control.TabStop()) continue;
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }
}

QWidget* TemplateDialog::BuildControl(const ControlTemplate& control) {
  QWidget* widget = MakeWidget(control, this);
  widget->setGeometry(ToPixels(control.At, units_));
  widget->setFocusPolicy(control.TabStop() ? Qt::StrongFocus : Qt::NoFocus);
  widget->setEnabled(control.Enabled());
  widget->setObjectName(QStringLiteral("control%1").arg(control.Id));
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    const int id = control.Id;
    connect(button, &QAbstractButton::clicked, this, [this, id] {
      for (size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].id == id) return Command(id, controlHandles_.at(i));
      }
    });
  }
  return widget;
}

void TemplateDialog::SetHandles(HWND dialog, std::vector<HWND> controls) {
  handle_ = dialog;
  controlHandles_ = std::move(controls);
}

QWidget* TemplateDialog::FirstTabStop() const {
  for (size_t i = 0; i < controls_.size(); ++i) {
    const ControlTemplate& control = template_.Controls[i];
    if (control.TabStop() && controls_[i].widget->isEnabledTo(const_cast<TemplateDialog*>(this))) {
      return controls_[i].widget;
    }
  }
  return nullptr;
}

// Win32's rule: the focused push button is the default, otherwise the template's
// default push button, if it has one. The focus of an inactive dialog is the one it
// gets back.
QPushButton* TemplateDialog::DefaultButton() const {
  if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) return focused;
  for (size_t i = 0; i < controls_.size(); ++i) {
    if ((template_.Controls[i].Style & resources::BS_TYPEMASK) == resources::BS_DEFPUSHBUTTON)
      return qobject_cast<QPushButton*>(controls_[i].widget);
  }
  return nullptr;
}

void TemplateDialog::ShowDefaultButton() {
  QPushButton* chosen = DefaultButton();
  for (const Control& control : controls_) {
    if (auto* button = qobject_cast<QPushButton*>(control.widget))
      button->setDefault(button == chosen);
  }
}

INT_PTR TemplateDialog::Run(LPARAM param) {
  QWidget* first = FirstTabStop();
  HWND firstHandle = nullptr;
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].widget == first) firstHandle = controlHandles_[i];
  }
  // As on Windows, TRUE from WM_INITDIALOG puts the focus on the first tab stop.
  if (Send(WM_INITDIALOG, reinterpret_cast<WPARAM>(firstHandle), param) != FALSE && first) {
    first->setFocus(Qt::OtherFocusReason);
  }
  ShowDefaultButton();
  if (!ended_) {
    show();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    loop_ = nullptr;
  }
  hide();
  return result_;
}

void TemplateDialog::End(INT_PTR result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  // Off the screen at once, as EndDialog hides a dialog, even while a loop above
  // this one (a file dialog, a box) keeps this one's loop from returning.
  hide();
  // Only this dialog's loop: a nested loop above it (a box, Help) unwinds first.
  if (loop_ != nullptr) loop_->exit();
}

INT_PTR TemplateDialog::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  const WindowSystem::CallingScope calling(windows_);
  return proc_(handle_, message, wParam, lParam);
}

void TemplateDialog::Command(int id, HWND control) {
  Send(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
       reinterpret_cast<LPARAM>(control));
}

// Keys reach here when the focused control did not take them. Enter presses the
// default button, or is IDOK when there is none; Esc is always IDCANCEL.
void TemplateDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      return Command(IDCANCEL, nullptr);
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (QPushButton* button = DefaultButton(); button != nullptr && button->isEnabled())
        return button->click();
      return Command(IDOK, nullptr);
    default:
      QWidget::keyPressEvent(event);
  }
}

// The close box, Alt+F4 and the window menu's Close: the procedure decides.
void TemplateDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!ended_) Send(WM_CLOSE, 0, 0);
}

}  // namespace tavrinole::qt
