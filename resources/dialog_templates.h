// The main dialog and the Help and About boxes as data: the one description from
// which the Windows resource script is generated and the other window systems build
// their dialogs. Places and sizes are in dialog units; the order of a dialog's controls
// is its template order and so its tab order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

#include "engine/key_table.h"
#include "resources/keypad_layout.h"
#include "resources/resource_ids.h"
#include "resources/texts.h"
#include "resources/window_styles.h"

namespace tavrinole::resources {

// The window class of each kind is fixed: push buttons and check boxes are "Button",
// texts are "Static"; the style's low bits tell the two buttons apart.
enum class ControlKind { PushButton, AutoCheckBox, StaticText };

struct Place {
  int16_t X;
  int16_t Y;
  int16_t Width;
  int16_t Height;
  friend constexpr bool operator==(const Place&, const Place&) = default;
};

struct ControlTemplate {
  int32_t Id;
  ControlKind Kind;
  std::u16string_view Text;
  Place At;
  uint32_t Style;  // complete: enabled state and tab stop are read from it

  constexpr bool Enabled() const { return (Style & WS_DISABLED) == 0; }
  constexpr bool TabStop() const { return (Style & WS_TABSTOP) != 0; }
};

struct DialogFont {
  std::u16string_view Face;
  int16_t PointSize;
  uint16_t Weight;
  bool Italic;
  uint8_t Charset;
};

struct DialogTemplate {
  int32_t Id;
  uint32_t Style;
  Place At;
  std::u16string_view ClassName;  // empty: the system dialog class
  std::u16string_view Title;
  DialogFont Font;
  std::span<const ControlTemplate> Controls;
};

// clang-format off
// Style of each kind of control, before the bits particular to one control.
inline constexpr uint32_t PushStyle  = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
inline constexpr uint32_t CheckStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
inline constexpr uint32_t LabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;
// Path labels show their text as it is ('&' included), in a box, on one line.
inline constexpr uint32_t PathLabelStyle = LabelStyle | WS_BORDER | SS_LEFTNOWORDWRAP | SS_NOPREFIX;

inline constexpr Place KeyOrigin{4, 64, 20, 14};  // the key in row 1, column 1
inline constexpr int16_t KeyColumnPitch = 20;
inline constexpr int16_t KeyRowPitch = 16;
// clang-format on

namespace detail {

// Each key's caption, which the keystream gives it, as a one-character string, in
// KeyIndex order.
inline constexpr auto KeyCaptions = [] {
  std::array<std::array<char16_t, 2>, KeyCount> captions{};
  for (const KeyEntry& key : KeyTable) captions[key.KeyIndex - 1] = {key.Caption, u'\0'};
  return captions;
}();

constexpr const KeyPlace& KeyAt(int row, int column) {
  for (const KeyPlace& key : KeypadLayout) {
    if (key.Row == row && key.Column == column) return key;
  }
  throw std::logic_error("the keypad layout leaves a place empty");
}

constexpr ControlTemplate KeyControl(const KeyPlace& key) {
  const Place at{static_cast<int16_t>(KeyOrigin.X + (key.Column - 1) * KeyColumnPitch),
                 static_cast<int16_t>(KeyOrigin.Y + (key.Row - 1) * KeyRowPitch), KeyOrigin.Width,
                 KeyOrigin.Height};
  const auto& caption = KeyCaptions[key.KeyIndex - 1];
  return {key.ControlId, ControlKind::PushButton, {caption.data(), 1}, at, PushStyle | WS_DISABLED};
}

// The keys row by row, left to right: their screen order is their tab order.
constexpr std::array<ControlTemplate, KeypadKeys> KeyControls() {
  static_assert(KeypadRows * KeypadColumns == KeypadKeys && KeypadKeys == KeyCount);
  std::array<ControlTemplate, KeypadKeys> keys{};
  std::size_t at = 0;
  for (int row = 1; row <= KeypadRows; ++row) {
    for (int column = 1; column <= KeypadColumns; ++column) {
      keys[at++] = KeyControl(KeyAt(row, column));
    }
  }
  return keys;
}

template <std::size_t A, std::size_t B, std::size_t C>
constexpr std::array<ControlTemplate, A + B + C> Concat(const std::array<ControlTemplate, A>& a,
                                                        const std::array<ControlTemplate, B>& b,
                                                        const std::array<ControlTemplate, C>& c) {
  std::array<ControlTemplate, A + B + C> all{};
  std::size_t at = 0;
  for (const auto& control : a) all[at++] = control;
  for (const auto& control : b) all[at++] = control;
  for (const auto& control : c) all[at++] = control;
  return all;
}

}  // namespace detail

// clang-format off
// The main dialog: the controls before the keypad, in template order.
inline constexpr std::array<ControlTemplate, 4> MainControlsBeforeKeys = {{
  //  Id                      Kind                       Initial text   x    y   w   h    Style
  { ids::HelpButton,          ControlKind::PushButton,   u"Help",     { 200,   0, 32, 14 }, PushStyle },
  { ids::AboutButton,         ControlKind::PushButton,   u"About",    { 232,   0, 32, 14 }, PushStyle },
  { ids::OpenButton,          ControlKind::PushButton,   u"Open",     {   4,  20, 40, 14 }, PushStyle },
  { ids::SaveAsButton,        ControlKind::PushButton,   u"Save as",  {   4,  36, 40, 14 }, PushStyle | WS_DISABLED },
}};

// ...and after it.
inline constexpr std::array<ControlTemplate, 7> MainControlsAfterKeys = {{
  //  Id                      Kind                       Initial text                                                 x    y    w   h    Style
  { ids::RunButton,           ControlKind::PushButton,   u"Run",                                                      { 104, 136,  56, 24 }, PushStyle | WS_DISABLED },
  { ids::ResetPasswordButton, ControlKind::PushButton,   u"Reset password",                                           { 208,  48,  56, 16 }, PushStyle | WS_DISABLED },
  { ids::InputLabel,          ControlKind::StaticText,   TemplateStartPrompt,                                         {  48,  20, 216, 12 }, PathLabelStyle },
  { ids::OutputLabel,         ControlKind::StaticText,   OutputPrompt,                                                {  48,  36, 216, 12 }, PathLabelStyle | WS_DISABLED },
  { ids::PasswordDisplay,     ControlKind::StaticText,   StartPattern,                                                {  88,  52,  96,  8 }, LabelStyle | SS_NOPREFIX | WS_DISABLED },
  { ids::MakerLabel,          ControlKind::StaticText,   MakerWebAddress,                                             {  68,   4,  88,  8 }, LabelStyle | WS_DISABLED },
  { ids::ShowPasswordBox,     ControlKind::AutoCheckBox, u"Show password",                                            {   8,  52,  64, 10 }, CheckStyle },
}};
// clang-format on

inline constexpr std::array<ControlTemplate, 63> MainControls =
    detail::Concat(MainControlsBeforeKeys, detail::KeyControls(), MainControlsAfterKeys);

// clang-format off
// Help and About: one wrapping text each, the same id in both.
inline constexpr std::array<ControlTemplate, 1> HelpControls = {{
  { ids::MakerLabel,          ControlKind::StaticText,   HelpText,  {  4, 4, 296, 272 }, LabelStyle | WS_GROUP },
}};
inline constexpr std::array<ControlTemplate, 1> AboutControls = {{
  { ids::MakerLabel,          ControlKind::StaticText,   AboutText, { 12, 8, 156,  68 }, LabelStyle | WS_GROUP },
}};

inline constexpr uint32_t MainDialogStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                            DS_SETFOREGROUND | DS_MODALFRAME | DS_SETFONT |
                                            DS_FIXEDSYS | DS_3DLOOK;
inline constexpr uint32_t InfoDialogStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                            DS_CONTEXTHELP | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;

inline constexpr DialogFont ShellFont{u"MS Shell Dlg", 10, FW_NORMAL, false, DEFAULT_CHARSET};
inline constexpr DialogFont TahomaFont{u"Tahoma", 10, FW_NORMAL, false, DEFAULT_CHARSET};

inline constexpr std::array<DialogTemplate, 3> DialogTemplates = {{
  //  Id               Style             x   y   w    h      Class             Title                            Font        Controls
  { ids::MainDialog,  MainDialogStyle, { 6, 18, 266, 170 }, u"TavrinolClass", u"Tavrinole-Ochrel(Unlimited)", ShellFont,  MainControls  },
  { ids::HelpDialog,  InfoDialogStyle, { 6, 18, 302, 278 }, u"",              u"Tavrinole-Help",              TahomaFont, HelpControls  },
  { ids::AboutDialog, InfoDialogStyle, { 6, 18, 186,  90 }, u"",              u"About Tavrinole",             TahomaFont, AboutControls },
}};
// clang-format on

// The template of a dialog by id; null for an id that names no dialog of ours.
[[nodiscard]] constexpr const DialogTemplate* FindDialog(int32_t dialogId) {
  for (const DialogTemplate& dialog : DialogTemplates) {
    if (dialog.Id == dialogId) return &dialog;
  }
  return nullptr;
}

// A control of a dialog by id; null when the dialog has none with that id.
[[nodiscard]] constexpr const ControlTemplate* FindControl(const DialogTemplate& dialog,
                                                           int32_t controlId) {
  for (const ControlTemplate& control : dialog.Controls) {
    if (control.Id == controlId) return &control;
  }
  return nullptr;
}

}  // namespace tavrinole::resources
