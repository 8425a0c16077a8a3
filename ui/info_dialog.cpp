#include "ui/info_dialog.h"

#include "ui/dialog_object.h"

namespace tavrinole {

InfoDialog::InfoDialog(WindowSystem& windows, HINSTANCE instance)
    : windows_(windows), instance_(instance) {}

void InfoDialog::Run(HWND owner, int templateId) {
  (void)windows_.DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId), owner, InfoDialogProc,
                                 reinterpret_cast<LPARAM>(this));
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

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  InfoDialog* self = DialogObject<InfoDialog>(dialog, message, lParam);
  return self != nullptr ? self->OnMessage(dialog, message) : FALSE;
}

}  // namespace tavrinole
