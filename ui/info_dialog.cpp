#include "ui/info_dialog.h"

namespace tavrinole {

InfoDialog* InfoDialog::active_ = nullptr;

InfoDialog::InfoDialog(WindowSystem& windows, HINSTANCE instance)
    : windows_(windows), instance_(instance) {
  active_ = this;
}

InfoDialog::~InfoDialog() {
  if (active_ == this) active_ = nullptr;
}

void InfoDialog::Run(HWND owner, int templateId) {
  (void)windows_.DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId), owner, InfoDialogProc, 0);
}

INT_PTR InfoDialog::OnMessage(HWND dialog, UINT message) {
  switch (message) {
    case WM_CLOSE:
      windows_.EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  return InfoDialog::active_ != nullptr ? InfoDialog::active_->OnMessage(dialog, message) : FALSE;
}

}  // namespace tavrinole
