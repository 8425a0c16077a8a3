#include "platform/qt/template_dialog.h"

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
      button->setAutoDefault(true);  // Enter on a focused button clicks it
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

// Keys reach here when the focused control did not take them: a focused push button
// clicks itself on Enter, so what is left is IDOK, and Esc is always IDCANCEL.
void TemplateDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      return Command(IDCANCEL, nullptr);
    case Qt::Key_Return:
    case Qt::Key_Enter:
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
