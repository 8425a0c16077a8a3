// The keypad inside the main dialog: slots, counters, the two displays and Run.
#include "tests/ui/ui_fixture.h"

namespace tavrinole::test_support {
namespace {

using ::testing::Each;
using ::testing::Eq;

class KeypadTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    Reach(DialogState::OutputChosen);
    Click(ids::ResetPasswordButton);  // Reach typed two keys
  }
  PasswordSlot Slot(int n) const { return dialog.Keys().Slots()[n]; }
  int32_t Count(char16_t key) const {
    return dialog.Keys().OccurrenceCounter()[KeyByCharacter(key)->KeyIndex];
  }
};

TEST_F(KeypadTest, RunNeedsFiveCharactersAndResetTakesItAway) {
  Type(WTEXT("WXYZ"));
  EXPECT_FALSE(Enabled(ids::RunButton));
  Type(WTEXT("1"));
  EXPECT_TRUE(Enabled(ids::RunButton));
  Click(ids::ResetPasswordButton);
  EXPECT_FALSE(Enabled(ids::RunButton));
  EXPECT_TRUE(Enabled(ids::ResetPasswordButton));
}

TEST_F(KeypadTest, SameKeyCountsItsOccurrences) {
  Type(WTEXT("AAA"));
  EXPECT_EQ(Slot(1), (PasswordSlot{5, 1}));
  EXPECT_EQ(Slot(2), (PasswordSlot{5, 2}));
  EXPECT_EQ(Slot(3), (PasswordSlot{5, 3}));
}

TEST_F(KeypadTest, EachKeyCountsOnlyItself) {
  Type(WTEXT("BNB"));
  EXPECT_EQ(Slot(0), (PasswordSlot{0, 0}));
  EXPECT_EQ(Slot(1), (PasswordSlot{1, 1}));
  EXPECT_EQ(Slot(2), (PasswordSlot{2, 1}));
  EXPECT_EQ(Slot(3), (PasswordSlot{1, 2}));
  EXPECT_EQ(Slot(4), (PasswordSlot{0, 0}));
}

TEST_F(KeypadTest, TheTwentyFirstPressChangesNothing) {
  Type(WTEXT("ABCDEFGHIJKLMNOPQRST"));
  ASSERT_EQ(dialog.Keys().PasswordLength(), 20);
  EXPECT_EQ(Slot(20), (PasswordSlot{KeyByCharacter(WTEXT('T'))->KeyIndex, 1}));
  const size_t textsSet = ws.Calls("SetWindowTextW").size();
  const int32_t counted = Count(WTEXT('A'));
  Type(WTEXT("A"));
  EXPECT_EQ(dialog.Keys().PasswordLength(), 20);
  EXPECT_EQ(Count(WTEXT('A')), counted);
  EXPECT_EQ(ws.Calls("SetWindowTextW").size(), textsSet);
  EXPECT_EQ(Text(ids::PasswordDisplay), WString(20, WTEXT('*')));
  EXPECT_TRUE(Enabled(ids::RunButton));
}

TEST_F(KeypadTest, AfterAResetTypingStartsAgainAtPositionOne) {
  Type(WTEXT("QQW"));
  Click(ids::ResetPasswordButton);
  EXPECT_EQ(dialog.Keys().Slots(), PasswordSlots{});
  EXPECT_THAT(dialog.Keys().OccurrenceCounter(), Each(Eq(0)));
  Type(WTEXT("Q"));
  EXPECT_EQ(Slot(1), (PasswordSlot{KeyByCharacter(WTEXT('Q'))->KeyIndex, 1}));
  Click(ids::ShowPasswordBox);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("Q")));
}

TEST_F(KeypadTest, ShowPasswordSwitchesBetweenPlainAndMaskedBothTwentyWide) {
  Type(WTEXT("K9("));
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("***")));
  Click(ids::ShowPasswordBox);
  EXPECT_EQ(dialog.Keys().ShowPassword(), 1);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("K9(")));
  Type(WTEXT("x "));
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("K9(x ")));
  Click(ids::ShowPasswordBox);
  EXPECT_EQ(dialog.Keys().ShowPassword(), 0);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("*****")));
}

TEST_F(KeypadTest, PoundShowsAsU00A3) {
  Click(ids::ShowPasswordBox);
  Type(WTEXT("\u00A3"));
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("\u00A3")));
  EXPECT_EQ(dialog.Keys().PlainPassword()[0], WCHAR(0x00A3));
  Click(ids::ShowPasswordBox);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("*")));
}

TEST_F(DialogTest, ToggleBeforeAnyResetBlanksTheDisplayAndAfterOneShowsSpaces) {
  Click(ids::ShowPasswordBox);
  EXPECT_EQ(Text(ids::PasswordDisplay), WTEXT(""));
  CancelOpen();  // resets the password
  Click(ids::ShowPasswordBox);
  EXPECT_EQ(Text(ids::PasswordDisplay), Blank20);
}

}  // namespace
}  // namespace tavrinole::test_support
