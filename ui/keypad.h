// The password keypad of the main dialog: 52 character keys, "Reset password", "Show
// password" and the one-line password display. A press appends one character
// to PasswordSlots, which the mixing reads; the display shows the password masked or
// in plain text, always 20 characters wide.
//
// The keypad owns the password and its display. Whether Run may be pressed follows
// from the password's length, and the main dialog derives it with every other enabled
// state, so the keypad never touches Run itself.
#pragma once

#include <array>
#include <cstdint>

#include "engine/key_table.h"
#include "engine/keystream_types.h"
#include "engine/password.h"
#include "platform/window_system.h"

namespace tavrinole {

class Keypad {
 public:
  static constexpr int DisplayWidth = MaxPasswordLength;

  explicit Keypad(WindowSystem& windows) : windows_(windows) {}

  // Finds the keys, "Reset password", the display and the check box once, when the
  // dialog starts.
  void LookUpControls(HWND dialog);

  // One press of the key with this KeyIndex and character code. False, with nothing
  // changed or shown, once the password holds 20 characters.
  bool PressKey(int32_t keyIndex, int32_t characterCode);

  // Empties the password and blanks the display; "Show password" stays as it is.
  void ResetPassword();

  // The 52 keys in KeyIndex order, then "Reset password".
  void SetKeypadEnabled(BOOL enabled);

  // Reads the check box and shows the password plain or masked, whatever the display
  // showed.
  void ToggleShowPassword();

  int32_t PasswordLength() const { return password_.PasswordLength; }
  const PasswordSlots& Slots() const { return password_.Slots; }
  const OccurrenceCounters& OccurrenceCounter() const { return password_.OccurrenceCounter; }
  const WCHAR* PlainPassword() const { return plain_; }
  const WCHAR* MaskedPassword() const { return masked_; }
  int32_t ShowPassword() const { return showPassword_; }

 private:
  void UpdatePasswordDisplay(int32_t length, int32_t characterCode);
  void ClearPasswordDisplay();
  const WCHAR* Shown() const { return showPassword_ != 0 ? plain_ : masked_; }

  WindowSystem& windows_;
  PasswordEntry password_;
  // Empty until the first reset, so toggling before it blanks the display.
  WCHAR plain_[DisplayWidth + 1] = {};
  WCHAR masked_[DisplayWidth + 1] = {};
  int32_t showPassword_ = 0;

  std::array<HWND, KeyCount> keys_{};  // in KeyIndex order
  HWND resetButton_ = nullptr;
  HWND display_ = nullptr;
  HWND showPasswordBox_ = nullptr;
};

}  // namespace tavrinole
