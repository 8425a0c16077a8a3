// The dialogs and box texts pinned literally, as the user-interface documents give
// them: every place, size, style, font and line is written out here rather than
// derived, so changing any one of them in resources/ fails a test. Styles are the
// numeric values Windows gives the named bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "resources/dialog_templates.h"
#include "resources/texts.h"

namespace tavrinole::resources {
namespace {

constexpr ControlKind Push = ControlKind::PushButton;
constexpr ControlKind Check = ControlKind::AutoCheckBox;
constexpr ControlKind Static = ControlKind::StaticText;

struct PinnedControl {
  int32_t id;
  ControlKind kind;
  std::u16string_view text;
  Place at;
  uint32_t style;
};

// Push button WS_CHILD | WS_VISIBLE | WS_TABSTOP = 0x50010000 (+ WS_DISABLED 0x08000000);
// auto check box + BS_AUTOCHECKBOX 3; static text WS_CHILD | WS_VISIBLE = 0x50000000,
// bordered path label + WS_BORDER | SS_NOPREFIX | SS_LEFTNOWORDWRAP = 0x0080008C.
// clang-format off
const PinnedControl MainPinned[] = {
  { 4002, Push,   u"Help",    { 200,   0,  32, 14 }, 0x50010000 },
  { 4003, Push,   u"About",   { 232,   0,  32, 14 }, 0x50010000 },
  { 4005, Push,   u"Open",    {   4,  20,  40, 14 }, 0x50010000 },
  { 4006, Push,   u"Save as", {   4,  36,  40, 14 }, 0x58010000 },
  // The keypad, row by row from y = 64, columns 20 units apart from x = 4.
  { 4015, Push, u"A", {   4,  64, 20, 14 }, 0x58010000 },
  { 4011, Push, u"B", {  24,  64, 20, 14 }, 0x58010000 },
  { 4013, Push, u"C", {  44,  64, 20, 14 }, 0x58010000 },
  { 4017, Push, u"D", {  64,  64, 20, 14 }, 0x58010000 },
  { 4018, Push, u"E", {  84,  64, 20, 14 }, 0x58010000 },
  { 4019, Push, u"F", { 104,  64, 20, 14 }, 0x58010000 },
  { 4020, Push, u"G", { 124,  64, 20, 14 }, 0x58010000 },
  { 4026, Push, u"H", { 144,  64, 20, 14 }, 0x58010000 },
  { 4021, Push, u"I", { 164,  64, 20, 14 }, 0x58010000 },
  { 4022, Push, u"J", { 184,  64, 20, 14 }, 0x58010000 },
  { 4031, Push, u"K", { 204,  64, 20, 14 }, 0x58010000 },
  { 4033, Push, u"L", { 224,  64, 20, 14 }, 0x58010000 },
  { 4035, Push, u"M", { 244,  64, 20, 14 }, 0x58010000 },
  { 4012, Push, u"N", {   4,  80, 20, 14 }, 0x58010000 },
  { 4023, Push, u"O", {  24,  80, 20, 14 }, 0x58010000 },
  { 4014, Push, u"P", {  44,  80, 20, 14 }, 0x58010000 },
  { 4016, Push, u"Q", {  64,  80, 20, 14 }, 0x58010000 },
  { 4025, Push, u"R", {  84,  80, 20, 14 }, 0x58010000 },
  { 4024, Push, u"S", { 104,  80, 20, 14 }, 0x58010000 },
  { 4027, Push, u"T", { 124,  80, 20, 14 }, 0x58010000 },
  { 4028, Push, u"U", { 144,  80, 20, 14 }, 0x58010000 },
  { 4029, Push, u"V", { 164,  80, 20, 14 }, 0x58010000 },
  { 4030, Push, u"W", { 184,  80, 20, 14 }, 0x58010000 },
  { 4032, Push, u"X", { 204,  80, 20, 14 }, 0x58010000 },
  { 4034, Push, u"Y", { 224,  80, 20, 14 }, 0x58010000 },
  { 4036, Push, u"Z", { 244,  80, 20, 14 }, 0x58010000 },
  { 4038, Push, u"1", {   4,  96, 20, 14 }, 0x58010000 },
  { 4039, Push, u"2", {  24,  96, 20, 14 }, 0x58010000 },
  { 4040, Push, u"3", {  44,  96, 20, 14 }, 0x58010000 },
  { 4041, Push, u"4", {  64,  96, 20, 14 }, 0x58010000 },
  { 4042, Push, u"5", {  84,  96, 20, 14 }, 0x58010000 },
  { 4043, Push, u"6", { 104,  96, 20, 14 }, 0x58010000 },
  { 4044, Push, u"7", { 124,  96, 20, 14 }, 0x58010000 },
  { 4045, Push, u"8", { 144,  96, 20, 14 }, 0x58010000 },
  { 4046, Push, u"9", { 164,  96, 20, 14 }, 0x58010000 },
  { 4047, Push, u"0", { 184,  96, 20, 14 }, 0x58010000 },
  { 4048, Push, u"@", { 204,  96, 20, 14 }, 0x58010000 },
  { 4049, Push, u"\u00A3", { 224,  96, 20, 14 }, 0x58010000 },
  { 4050, Push, u"$", { 244,  96, 20, 14 }, 0x58010000 },
  { 4009, Push, u" ", {   4, 112, 20, 14 }, 0x58010000 },
  { 4051, Push, u"=", {  24, 112, 20, 14 }, 0x58010000 },
  { 4052, Push, u"<", {  44, 112, 20, 14 }, 0x58010000 },
  { 4053, Push, u">", {  64, 112, 20, 14 }, 0x58010000 },
  { 4054, Push, u"+", {  84, 112, 20, 14 }, 0x58010000 },
  { 4055, Push, u"-", { 104, 112, 20, 14 }, 0x58010000 },
  { 4056, Push, u"x", { 124, 112, 20, 14 }, 0x58010000 },
  { 4057, Push, u"/", { 144, 112, 20, 14 }, 0x58010000 },
  { 4058, Push, u"%", { 164, 112, 20, 14 }, 0x58010000 },
  { 4059, Push, u"!", { 184, 112, 20, 14 }, 0x58010000 },
  { 4060, Push, u"?", { 204, 112, 20, 14 }, 0x58010000 },
  { 4061, Push, u"(", { 224, 112, 20, 14 }, 0x58010000 },
  { 4062, Push, u")", { 244, 112, 20, 14 }, 0x58010000 },
  { 4008, Push,   u"Run",            { 104, 136,  56, 24 }, 0x58010000 },
  { 4037, Push,   u"Reset password", { 208,  48,  56, 16 }, 0x58010000 },
  { 4004, Static, u" To start press the 'Open ' buton",                  {  48,  20, 216, 12 }, 0x5080008C },
  { 4007, Static, u" Choose where you want to save the 'new' document.", {  48,  36, 216, 12 }, 0x5880008C },
  { 4010, Static, u"* * * * * * * * * * * * * * * * * * * *",            {  88,  52,  96,  8 }, 0x58000080 },
  { 4001, Static, u"www.tavrinole.example",                              {  68,   4,  88,  8 }, 0x58000000 },
  { 4063, Check,  u"Show password",                                      {   8,  52,  64, 10 }, 0x50010003 },
};

// Lines of the Help text, joined with CR LF and no break after the last.
const std::u16string_view HelpPinned[] = {
  u"This is Tavrinole-Ochrel (Unlimited)",
  u"",
  u"Tavrinole is intended for personal use for quick and easy way how to encrypt the personal documents. ",
  u"A key for encoding is something like \u201Cpseudorandom One Time Pad\" and is created when you choose a password.",
  u"When you are using the same password with the same size of the documents you get the same key. For better security: use always the different password for the same size of the document (not comfortable but next series of Tavrinole2 should help with it).",
  u"",
  u"Tavrinole always makes a copy of the original document.",
  u"You should save original of the document on a safe place outside your PC (for example on a memory stick or CD) and keep an encoded copy in your PC or in the cloud.",
  u"In the case you lost your password or mix-up document with wrong Tavrinole version you can restore it from your back-up.",
  u"",
  u"Tavrinole is a collection of stand alone programs like Tavrinole-Corvel, Tavrinole-Ochrel etc. Each Tavrinole can be used for encoding a document individually but you can mix two of them together.",
  u"******* For decoding you have to know which program of Tavrinoles was used and in which order(use reverse order), otherwise you will not get a correct result.  ***********",
  u"Example: Pick two of Tavrinole set, for example Tavrinole-Ochrel and Tavrinole-Corvel.",
  u"1. Run Tavrinole-Corvel, enter the password \u2018TIGER\u2019 and encode the document.",
  u"2. Then run Tavrinole-Ochrel, enter the password \u2018PLANET\u2019 and encode the document further. You can go as far as you like, but twice should be fine.",
  u"For decoding use reverse procedure:",
  u"1. Run Tavrinole-Ochrel, enter the password \u2018PLANET\u2019 and decode the document.",
  u"2. Then run Tavrinole-Corvel, enter the password \u2018TIGER\u2019 and decode finally the document. ",
  u"",
  u"=========================================================",
  u"Please support the future development of Tavrinole at www.tavrinole.example",
  u"=========================================================",
};

// Lines of the About text, each ending in CR LF, the last one too.
const std::u16string_view AboutPinned[] = {
  u"                 Tavrinole-Ochrel",
  u"                      (041114)",
  u"",
  u"              www.tavrinole.example",
  u"",
  u"              info@tavrinole.example",
  u" ",
  u"  Copyright (C) 2026 Tavrinole project",
};
// clang-format on

std::u16string Joined(std::span<const std::u16string_view> lines, bool finalBreak) {
  std::u16string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    text += lines[i];
    if (i + 1 < lines.size() || finalBreak) text += u"\r\n";
  }
  return text;
}

std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

const DialogTemplate& Dialog(int32_t id) {
  const DialogTemplate* dialog = FindDialog(id);
  if (dialog == nullptr) throw std::runtime_error("no dialog " + std::to_string(id));
  return *dialog;
}

void ExpectFont(const DialogFont& font, std::u16string_view face) {
  EXPECT_EQ(font.Face, face);
  EXPECT_EQ(font.PointSize, 10);
  EXPECT_EQ(font.Weight, 400);  // FW_NORMAL
  EXPECT_FALSE(font.Italic);
  EXPECT_EQ(font.Charset, 1);  // DEFAULT_CHARSET
}

TEST(PinnedTemplates, MainDialogStandsAsDocumented) {
  const DialogTemplate& main = Dialog(1001);
  // WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFOREGROUND |
  // DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK
  EXPECT_EQ(main.Style, 0x10CA02CCu);
  EXPECT_EQ(main.At, (Place{6, 18, 266, 170}));
  EXPECT_EQ(main.ClassName, u"TavrinolClass");
  EXPECT_EQ(main.Title, u"Tavrinole-Ochrel(Unlimited)");
  ExpectFont(main.Font, u"MS Shell Dlg");
}

// Every control in template order, which is also the tab order.
TEST(PinnedTemplates, MainDialogControlsStandAsDocumentedInTabOrder) {
  const std::span<const ControlTemplate> controls = Dialog(1001).Controls;
  ASSERT_EQ(controls.size(), std::size(MainPinned));
  for (size_t i = 0; i < controls.size(); ++i) {
    const PinnedControl& pinned = MainPinned[i];
    const ControlTemplate& control = controls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1) + ", id " + std::to_string(pinned.id));
    EXPECT_EQ(control.Id, pinned.id);
    EXPECT_EQ(control.Kind, pinned.kind);
    EXPECT_EQ(control.Text, pinned.text) << Narrow(control.Text);
    EXPECT_EQ(control.At, pinned.at) << control.At.X << ", " << control.At.Y << ", "
                                     << control.At.Width << ", " << control.At.Height;
    EXPECT_EQ(control.Style, pinned.style) << std::hex << control.Style;
  }
}

TEST(PinnedTemplates, HelpAndAboutBoxesStandAsDocumented) {
  struct Box {
    int32_t id;
    std::u16string_view title;
    Place dialogAt, textAt;
  };
  const Box boxes[] = {{1002, u"Tavrinole-Help", {6, 18, 302, 278}, {4, 4, 296, 272}},
                       {1003, u"About Tavrinole", {6, 18, 186, 90}, {12, 8, 156, 68}}};
  for (const Box& box : boxes) {
    const DialogTemplate& dialog = Dialog(box.id);
    SCOPED_TRACE("dialog " + std::to_string(box.id));
    // WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CONTEXTHELP | DS_MODALFRAME |
    // DS_SETFONT | DS_3DLOOK
    EXPECT_EQ(dialog.Style, 0x90C820C4u);
    EXPECT_EQ(dialog.At, box.dialogAt);
    EXPECT_EQ(dialog.ClassName, u"");
    EXPECT_EQ(dialog.Title, box.title);
    ExpectFont(dialog.Font, u"Tahoma");
    ASSERT_EQ(dialog.Controls.size(), 1u);
    EXPECT_EQ(dialog.Controls[0].Id, 4001);
    EXPECT_EQ(dialog.Controls[0].Kind, Static);
    EXPECT_EQ(dialog.Controls[0].At, box.textAt);
    EXPECT_EQ(dialog.Controls[0].Style, 0x50020000u);  // WS_CHILD | WS_VISIBLE | WS_GROUP
  }
  EXPECT_EQ(Dialog(1002).Controls[0].Text, HelpText);
  EXPECT_EQ(Dialog(1003).Controls[0].Text, AboutText);
}

// Line by line first, so a failure names the line; then the whole, breaks included.
TEST(PinnedTemplates, HelpTextReadsWordForWord) {
  const std::u16string expected = Joined(HelpPinned, false);
  size_t at = 0;
  for (size_t n = 0; n < std::size(HelpPinned); ++n) {
    const size_t end = std::min(HelpText.find(u"\r\n", at), HelpText.size());
    EXPECT_EQ(HelpText.substr(at, end - at), HelpPinned[n]) << "line " << n + 1;
    at = end + 2;
  }
  EXPECT_EQ(HelpText, expected);
}

TEST(PinnedTemplates, AboutTextReadsWordForWord) {
  EXPECT_EQ(AboutText, Joined(AboutPinned, true)) << Narrow(AboutText);
}

}  // namespace
}  // namespace tavrinole::resources
