#include "ui/keypad.h"

#include <algorithm>

#include "resources/keypad_layout.h"
#include "resources/resource_ids.h"

namespace tavrinole {

void Keypad::LookUpControls(HWND dialog) {
  for (const resources::KeyPlace& key : resources::KeypadLayout) {
    keys_[key.KeyIndex - 1] = windows_.GetDlgItem(dialog, key.ControlId);
  }
  resetButton_ = windows_.GetDlgItem(dialog, ids::ResetPasswordButton);
  display_ = windows_.GetDlgItem(dialog, ids::PasswordDisplay);
  showPasswordBox_ = windows_.GetDlgItem(dialog, ids::ShowPasswordBox);
}

bool Keypad::PressKey(int32_t keyIndex, int32_t characterCode) {
  if (!password_.Press(keyIndex)) return false;
  UpdatePasswordDisplay(password_.PasswordLength, characterCode);
  return true;
}

void Keypad::ResetPassword() {
  ClearPasswordDisplay();
  password_.Reset();
}

void Keypad::SetKeypadEnabled(BOOL enabled) {
  for (HWND key : keys_) windows_.EnableWindow(key, enabled);
  windows_.EnableWindow(resetButton_, enabled);
}

void Keypad::ToggleShowPassword() {
  showPassword_ = static_cast<int32_t>(windows_.SendMessageW(showPasswordBox_, BM_GETCHECK, 0, 0));
  windows_.SetWindowTextW(display_, Shown());
}

// The character code is one byte; it widens without sign, so 163 shows as U+00A3.
void Keypad::UpdatePasswordDisplay(int32_t length, int32_t characterCode) {
  plain_[length - 1] = static_cast<WCHAR>(static_cast<uint8_t>(characterCode));
  std::fill(masked_, masked_ + length, WCHAR('*'));
  windows_.SetWindowTextW(display_, Shown());
}

void Keypad::ClearPasswordDisplay() {
  std::fill(masked_, masked_ + DisplayWidth, WCHAR(' '));
  windows_.SetWindowTextW(display_, masked_);
  std::fill(plain_, plain_ + DisplayWidth, WCHAR(' '));
  windows_.SetWindowTextW(display_, plain_);
}

}  // namespace tavrinole
