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
  std::vector<int32_t> ids;
  for (const ControlTemplate& control : controls) ids.push_back(control.Id);
  return ids;
}

bool Overlap(const Place& a, const Place& b) {
  return a.X < b.X + b.Width && b.X < a.X + a.Width && a.Y < b.Y + b.Height && b.Y < a.Y + a.Height;
}

TEST(DialogLookup, FindsEachDialogByIdAndNothingElse) {
  for (int32_t id : {MainDialogId, HelpDialogId, AboutDialogId}) {
    ASSERT_NE(FindDialog(id), nullptr) << id;
    EXPECT_EQ(FindDialog(id)->Id, id);
  }
  EXPECT_EQ(FindDialog(1000), nullptr);
  EXPECT_EQ(FindDialog(1004), nullptr);
  EXPECT_EQ(FindDialog(ProgramIconId), nullptr);
}

TEST(DialogLookup, FindsControlsByIdWithinTheirDialog) {
  ASSERT_NE(FindControl(Dialog(MainDialogId), 4010), nullptr);
  EXPECT_EQ(FindControl(Dialog(MainDialogId), 4010)->Id, 4010);
  EXPECT_EQ(FindControl(Dialog(HelpDialogId), 4010), nullptr);
  EXPECT_EQ(FindControl(Dialog(MainDialogId), 4000), nullptr);
}

TEST(MainDialog, Has63ControlsWithUniqueIdsCoveringEveryKey) {
  const auto ids = IdsOf(Dialog(MainDialogId).Controls);
  ASSERT_EQ(ids.size(), 63u);
  EXPECT_EQ(std::set<int32_t>(ids.begin(), ids.end()).size(), 63u);
  for (const KeyEntry& key : KeyTable) {
    EXPECT_NE(FindControl(Dialog(MainDialogId), key.ControlId), nullptr) << key.ControlId;
  }
}

TEST(MainDialog, TemplateOrderIsTheTabOrder) {
  const auto ids = IdsOf(Dialog(MainDialogId).Controls);
  ASSERT_EQ(ids.size(), 63u);
  EXPECT_EQ(std::vector<int32_t>(ids.begin(), ids.begin() + 4),
            (std::vector<int32_t>{4002, 4003, 4005, 4006}));
  EXPECT_EQ(std::vector<int32_t>(ids.end() - 7, ids.end()),
            (std::vector<int32_t>{4008, 4037, 4004, 4007, 4010, 4001, 4063}));
  // Between them the keys, row by row and left to right on screen.
  int previous = 0;
  for (auto id = ids.begin() + 4; id != ids.end() - 7; ++id) {
    const auto key = KeyByControlId(*id);
    ASSERT_TRUE(key.has_value()) << *id << " is not a key";
    const int place = key->Row * 100 + key->Column;
    EXPECT_GT(place, previous) << "key " << *id << " out of screen order";
    previous = place;
  }
}

TEST(MainDialog, KeysStandInTheirRowAndColumnWithTheirCaption) {
  for (const KeyEntry& key : KeyTable) {
    const ControlTemplate* control = FindControl(Dialog(MainDialogId), key.ControlId);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->At, (Place{static_cast<int16_t>(4 + 20 * (key.Column - 1)),
                                  static_cast<int16_t>(64 + 16 * (key.Row - 1)), 20, 14}))
        << "key " << key.ControlId;
    EXPECT_EQ(control->Text, std::u16string(1, key.Caption)) << "key " << key.ControlId;
    EXPECT_EQ(control->Kind, ControlKind::PushButton);
  }
}

TEST(MainDialog, ControlsLieInsideTheDialogWithoutOverlapping) {
  const DialogTemplate& dialog = Dialog(MainDialogId);
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
  for (const ControlTemplate& control : Dialog(MainDialogId).Controls) {
    if (control.Enabled()) enabled.insert(control.Id);
  }
  EXPECT_EQ(enabled, (std::set<int32_t>{4002, 4003, 4005, 4004, 4063}));
}

TEST(MainDialog, ButtonsAreTabStopsAndTextsAreNot) {
  for (const ControlTemplate& control : Dialog(MainDialogId).Controls) {
    EXPECT_EQ(control.TabStop(), control.Kind != ControlKind::StaticText) << control.Id;
  }
}

TEST(MainDialog, PathLabelsShowAmpersandsAndStayOnOneBorderedLine) {
  const DialogTemplate& dialog = Dialog(MainDialogId);
  for (int32_t id : {4004, 4007, 4010}) {
    EXPECT_TRUE(FindControl(dialog, id)->Style & SS_NOPREFIX) << id;
  }
  for (int32_t id : {4004, 4007}) {
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
  for (int32_t id : {HelpDialogId, AboutDialogId}) {
    const DialogTemplate& dialog = Dialog(id);
    ASSERT_EQ(dialog.Controls.size(), 1u) << id;
    const ControlTemplate& text = dialog.Controls[0];
    EXPECT_EQ(text.Id, 4001);
    EXPECT_EQ(text.Style & SS_TYPEMASK, SS_LEFT) << "a left static wraps its words";
    EXPECT_TRUE(text.Style & WS_GROUP);
    EXPECT_LE(text.At.X + text.At.Width, dialog.At.Width);
    EXPECT_LE(text.At.Y + text.At.Height, dialog.At.Height);
    EXPECT_TRUE(dialog.ClassName.empty()) << "the system dialog class";
  }
  EXPECT_EQ(Dialog(HelpDialogId).Controls[0].Text, HelpText);
  EXPECT_EQ(Dialog(AboutDialogId).Controls[0].Text, AboutText);
}

}  // namespace
}  // namespace tavrinole::resources
