#include "resources/dialog_templates.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace tavrinole::resources {
namespace {

const DialogTemplate& Dialog(int32_t id) {
  const DialogTemplate* dialog = FindDialog(id);
  if (dialog == nullptr) throw std::runtime_error(std::string("no dialog ") + std::to_string(id));
  return *dialog;
}

std::vector<int32_t> IdsOf(std::span<const ControlTemplate> controls) {
  std::vector<int32_t> order;
  for (const ControlTemplate& control : controls) order.push_back(control.Id);
  return order;
}

bool Overlap(const Place& a, const Place& b) {
  return a.X < b.X + b.Width && b.X < a.X + a.Width && a.Y < b.Y + b.Height && b.Y < a.Y + a.Height;
}

TEST(DialogLookup, FindsEachDialogByIdAndNothingElse) {
  for (int32_t id : {ids::MainDialog, ids::HelpDialog, ids::AboutDialog}) {
    ASSERT_NE(FindDialog(id), nullptr) << id;
    EXPECT_EQ(FindDialog(id)->Id, id);
  }
  EXPECT_EQ(FindDialog(ids::MainDialog - 1), nullptr);
  EXPECT_EQ(FindDialog(ids::AboutDialog + 1), nullptr);
  EXPECT_EQ(FindDialog(ids::ProgramIcon), nullptr);
}

TEST(DialogLookup, FindsControlsByIdWithinTheirDialog) {
  ASSERT_NE(FindControl(Dialog(ids::MainDialog), ids::PasswordDisplay), nullptr);
  EXPECT_EQ(FindControl(Dialog(ids::MainDialog), ids::PasswordDisplay)->Id, ids::PasswordDisplay);
  EXPECT_EQ(FindControl(Dialog(ids::HelpDialog), ids::PasswordDisplay), nullptr);
  EXPECT_EQ(FindControl(Dialog(ids::MainDialog), ids::MainDialog), nullptr);
}

TEST(MainDialog, Has63ControlsWithUniqueIdsCoveringEveryKey) {
  const auto order = IdsOf(Dialog(ids::MainDialog).Controls);
  ASSERT_EQ(order.size(), 63u);
  EXPECT_EQ(std::set<int32_t>(order.begin(), order.end()).size(), 63u);
  for (const KeyPlace& key : KeypadLayout) {
    EXPECT_NE(FindControl(Dialog(ids::MainDialog), key.ControlId), nullptr) << key.ControlId;
  }
}

TEST(MainDialog, TemplateOrderIsTheTabOrder) {
  const auto order = IdsOf(Dialog(ids::MainDialog).Controls);
  ASSERT_EQ(order.size(), 63u);
  EXPECT_EQ(std::vector<int32_t>(order.begin(), order.begin() + 4),
            (std::vector<int32_t>{ids::HelpButton, ids::AboutButton, ids::OpenButton,
                                  ids::SaveAsButton}));
  EXPECT_EQ(std::vector<int32_t>(order.end() - 7, order.end()),
            (std::vector<int32_t>{ids::RunButton, ids::ResetPasswordButton, ids::InputLabel,
                                  ids::OutputLabel, ids::PasswordDisplay, ids::MakerLabel,
                                  ids::ShowPasswordBox}));
  // Between them the keys, row by row and left to right on screen.
  int previous = 0;
  for (auto id = order.begin() + 4; id != order.end() - 7; ++id) {
    const KeyPlace* key = KeyPlaceByControlId(*id);
    ASSERT_NE(key, nullptr) << *id << " is not a key";
    const int place = key->Row * 100 + key->Column;
    EXPECT_GT(place, previous) << "key " << *id << " out of screen order";
    previous = place;
  }
}

TEST(MainDialog, KeysStandInTheirRowAndColumnWithTheirCaption) {
  for (const KeyPlace& key : KeypadLayout) {
    const ControlTemplate* control = FindControl(Dialog(ids::MainDialog), key.ControlId);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->At, (Place{static_cast<int16_t>(4 + 20 * (key.Column - 1)),
                                  static_cast<int16_t>(64 + 16 * (key.Row - 1)), 20, 14}))
        << "key " << key.ControlId;
    EXPECT_EQ(control->Text, std::u16string(1, KeyByIndex(key.KeyIndex).Caption))
        << "key " << key.ControlId;
    EXPECT_EQ(control->Kind, ControlKind::PushButton);
  }
}

TEST(MainDialog, ControlsLieInsideTheDialogWithoutOverlapping) {
  const DialogTemplate& dialog = Dialog(ids::MainDialog);
  for (const ControlTemplate& control : dialog.Controls) {
    EXPECT_GE(control.At.X, 0) << control.Id;
    EXPECT_GE(control.At.Y, 0) << control.Id;
    EXPECT_LE(control.At.X + control.At.Width, dialog.At.Width) << control.Id;
    EXPECT_LE(control.At.Y + control.At.Height, dialog.At.Height) << control.Id;
    for (const ControlTemplate& other : dialog.Controls) {
      if (&other != &control) {
        EXPECT_FALSE(Overlap(control.At, other.At)) << control.Id << " and " << other.Id;
      }
    }
  }
}

// The Start state: only Help, About, Open, the input label and "Show password" work.
TEST(MainDialog, StartsWithOnlyTheStartControlsEnabled) {
  std::set<int32_t> enabled;
  for (const ControlTemplate& control : Dialog(ids::MainDialog).Controls) {
    if (control.Enabled()) enabled.insert(control.Id);
  }
  EXPECT_EQ(enabled, (std::set<int32_t>{ids::HelpButton, ids::AboutButton, ids::OpenButton,
                                        ids::InputLabel, ids::ShowPasswordBox}));
}

TEST(MainDialog, ButtonsAreTabStopsAndTextsAreNot) {
  for (const ControlTemplate& control : Dialog(ids::MainDialog).Controls) {
    EXPECT_EQ(control.TabStop(), control.Kind != ControlKind::StaticText) << control.Id;
  }
}

TEST(MainDialog, PathLabelsShowAmpersandsAndStayOnOneBorderedLine) {
  const DialogTemplate& dialog = Dialog(ids::MainDialog);
  for (int32_t id : {ids::InputLabel, ids::OutputLabel, ids::PasswordDisplay}) {
    EXPECT_TRUE(FindControl(dialog, id)->Style & SS_NOPREFIX) << id;
  }
  for (int32_t id : {ids::InputLabel, ids::OutputLabel}) {
    const uint32_t style = FindControl(dialog, id)->Style;
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << id;
    EXPECT_TRUE(style & WS_BORDER) << id;
  }
}

TEST(AllDialogs, EachControlsKindAgreesWithItsStyle) {
  for (const DialogTemplate& dialog : DialogTemplates) {
    for (const ControlTemplate& control : dialog.Controls) {
      const uint32_t style = control.Style;
      EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE) << control.Id;
      switch (control.Kind) {
        case ControlKind::PushButton:
          EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << control.Id;
          break;
        case ControlKind::AutoCheckBox:
          EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX) << control.Id;
          break;
        case ControlKind::StaticText:
          break;
      }
    }
  }
}

TEST(InfoDialogs, HoldOneWrappingTextInsideTheBox) {
  for (int32_t id : {ids::HelpDialog, ids::AboutDialog}) {
    const DialogTemplate& dialog = Dialog(id);
    ASSERT_EQ(dialog.Controls.size(), 1u) << id;
    const ControlTemplate& text = dialog.Controls[0];
    EXPECT_EQ(text.Id, ids::MakerLabel);
    EXPECT_EQ(text.Style & SS_TYPEMASK, SS_LEFT) << "a left static wraps its words";
    EXPECT_TRUE(text.Style & WS_GROUP);
    EXPECT_LE(text.At.X + text.At.Width, dialog.At.Width);
    EXPECT_LE(text.At.Y + text.At.Height, dialog.At.Height);
    EXPECT_TRUE(dialog.ClassName.empty()) << "the system dialog class";
  }
  EXPECT_EQ(Dialog(ids::HelpDialog).Controls[0].Text, HelpText);
  EXPECT_EQ(Dialog(ids::AboutDialog).Controls[0].Text, AboutText);
}

}  // namespace
}  // namespace tavrinole::resources
