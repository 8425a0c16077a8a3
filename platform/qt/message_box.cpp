#include "platform/qt/message_box.h"

#include <QAbstractButton>

namespace tavrinole::qt {
namespace {

constexpr UINT TypeMask = 0x0F;
constexpr UINT DefaultButtonMask = 0xF00;

QString ToQString(const WString& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton ButtonFor(int result) {
  switch (result) {
    case IDOK:
      return QMessageBox::Ok;
    case IDYES:
      return QMessageBox::Yes;
    case IDNO:
      return QMessageBox::No;
    default:
      return QMessageBox::NoButton;
  }
}

}  // namespace

QMessageBox* MakeMessageBox(QWidget* owner, const WString& text, const WString& caption,
                            UINT type) {
  auto* box = new QMessageBox(owner);
  box->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::NonModal);
  box->setIcon(QMessageBox::NoIcon);
  box->setTextFormat(Qt::PlainText);
  box->setText(ToQString(text));
  box->setWindowTitle(ToQString(caption));
  if ((type & TypeMask) == MB_YESNO) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // Enter answers the default button: No when the caller asks for the second.
    box->setDefaultButton((type & DefaultButtonMask) == MB_DEFBUTTON2 ? QMessageBox::No
                                                                      : QMessageBox::Yes);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);  // Esc and the close box answer OK
  }
  return box;
}

int ResultOf(const QMessageBox& box) {
  const bool yesNo = box.button(QMessageBox::Yes) != nullptr;
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    case QMessageBox::Ok:
      return IDOK;
    default:
      return yesNo ? IDNO : IDOK;
  }
}

bool Answer(QMessageBox& box, int result) {
  QAbstractButton* button = box.button(ButtonFor(result));
  if (button == nullptr) return false;
  button->click();
  return true;
}

}  // namespace tavrinole::qt
