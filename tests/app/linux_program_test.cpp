// The Linux program as a user meets it: its entry on the Qt layer with real files, every
// action a click or key on the real widgets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <fstream>

#include "engine/file_transform.h"
#include "engine/key_table.h"
#include "engine/mixer_factory.h"
#include "engine/password.h"
#include "resources/dialog_templates.h"
#include "resources/keypad_layout.h"
#include "resources/resource_ids.h"
#include "resources/texts.h"
#include "tests/app/linux_program_fixture.h"
#include "ui/encoding_job.h"
#include "ui/entry.h"
#include "ui/wide_text.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;

using ids::AboutButton;
using ids::HelpButton;
using ids::OpenButton;
using ids::ResetPasswordButton;
using ids::RunButton;
using ids::SaveAsButton;
using ids::ShowPasswordBox;
constexpr WCHAR Stars[] = WTEXT("* * * * * * * * * * * * * * * * * * * *");

TEST_F(LinuxProgramTest, KeyClicksBuildThePasswordAndRunComesAtTheFifth) {
  WString afterFour, afterFive, shown, afterReset;
  bool runAfterFour = true, runAfterFive = false, runAfterReset = true;
  const int exitCode = RunProgram([&] {
    EXPECT_EQ(Text(Display), Stars);
    ChooseFiles();
    Type(u"TIGE");
    afterFour = Text(Display);
    runAfterFour = Enabled(RunButton);
    Type(u"R");
    afterFive = Text(Display);
    runAfterFive = Enabled(RunButton);
    Click(ShowPasswordBox);
    shown = Text(Display);
    Click(ResetPasswordButton);
    afterReset = Text(Display);
    runAfterReset = Enabled(RunButton);
    CloseAsUser(ws.Widget(Main()));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(afterFour, u"****                ");
  EXPECT_FALSE(runAfterFour);
  EXPECT_EQ(afterFive, u"*****               ");
  EXPECT_TRUE(runAfterFive);
  EXPECT_EQ(shown, u"TIGER               ");
  EXPECT_EQ(afterReset, u"                    ");
  EXPECT_FALSE(runAfterReset);
}

TEST_F(LinuxProgramTest, EscAndEnterLeaveTheDialogOpenAndTheCloseBoxEndsIt) {
  bool openAfterKeys = false;
  const int exitCode = RunProgram([&] {
    QWidget* main = ws.Widget(Main());
    KeyAsUser(main, Qt::Key_Escape);
    Control(ShowPasswordBox)->setFocus();
    KeyAsUser(main, Qt::Key_Return);
    Control(HelpButton)->setFocus();
    Later([&] { CloseAsUser(ws.Widget(ws.OpenDialog(ids::HelpDialog))); });
    KeyAsUser(main, Qt::Key_Return);  // the focused Help button: opens Help
    openAfterKeys = main->isVisible() && Main() != nullptr;
    CloseAsUser(main);
  });
  EXPECT_TRUE(openAfterKeys);
  EXPECT_EQ(exitCode, 0);
}

TEST_F(LinuxProgramTest, HelpAndAboutAreModalAndCloseOnlyByTheirCloseBox) {
  struct Seen {
    BOOL mainEnabled = TRUE;
    bool openAfterKeys = false;
    WString text;
  };
  Seen help, about;
  auto inspect = [&](int id, Seen& seen) {
    Later([&, id] {
      HWND box = ws.OpenDialog(id);
      QWidget* widget = ws.Widget(box);
      seen.mainEnabled = ws.IsWindowEnabled(Main());
      seen.text = TextOf(ws, ws.GetDlgItem(box, ids::MakerLabel));
      KeyAsUser(widget, Qt::Key_Escape);
      KeyAsUser(widget, Qt::Key_Return);
      seen.openAfterKeys = widget->isVisible() && ws.OpenDialog(id) == box;
      CloseAsUser(widget);
    });
  };
  RunProgram([&] {
    inspect(ids::HelpDialog, help);
    Click(HelpButton);
    inspect(ids::AboutDialog, about);
    Click(AboutButton);
    EXPECT_TRUE(ws.IsWindowEnabled(Main()));
    CloseAsUser(ws.Widget(Main()));
  });
  EXPECT_EQ(help.mainEnabled, FALSE);
  EXPECT_TRUE(help.openAfterKeys);
  EXPECT_EQ(help.text, resources::HelpText);
  EXPECT_EQ(about.mainEnabled, FALSE);
  EXPECT_TRUE(about.openAfterKeys);
  EXPECT_EQ(about.text, resources::AboutText);
}

// Types the path into the real file dialog's name field and presses Enter.
void TypeIntoFileDialog(QFileDialog& dialog, const WString& path) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  // Active, as under a user's hand: the dialog rewrites the name field while it does
  // not have the focus.
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  edit->setFocus();
  QTest::keyClicks(edit, QString::fromStdU16String(path));
  // Typing opens the name completer's list; a first Enter would only close it.
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  QTest::keyClick(edit, Qt::Key_Return);
}

TEST_F(LinuxProgramTest, AWholeEncodeThroughTheFileDialogsWritesTheRightBytes) {
  std::vector<WString> typed = {folder.Wide("letter.txt"), folder.Wide("secret")};
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    TypeIntoFileDialog(dialog, typed.front());
    typed.erase(typed.begin());
  });
  QString caption, text;
  WString displayAtClosing;
  ws.OnMessageBoxShown([&](QMessageBox& box) {
    caption = box.windowTitle();
    text = box.text();
    displayAtClosing = Text(Display);
    KeyAsUser(&box, Qt::Key_Return);
  });
  const int exitCode = RunProgram([&] {
    Click(OpenButton);
    Click(SaveAsButton);
    Type(u"PLANET");
    Click(RunButton);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(typed.empty());
  EXPECT_EQ(caption, QStringLiteral(" Closing......"));
  EXPECT_EQ(text, QString::fromUtf16(resources::Closing));
  EXPECT_EQ(displayAtClosing, ToWide(resources::Finish));
  ASSERT_GE(displayTexts.size(), 3u);
  const size_t running = static_cast<size_t>(
      std::find(displayTexts.begin(), displayTexts.end(), ToWide(resources::Running)) -
      displayTexts.begin());
  ASSERT_LT(running + 1, displayTexts.size());
  EXPECT_EQ(displayTexts[running + 1], ToWide(resources::PleaseWait));
  EXPECT_EQ(displayTexts.back(), ToWide(resources::Finish));

  // The same transform outside the dialogs, from the same key presses.
  std::vector<int32_t> presses;
  for (char16_t key : std::u16string_view(u"PLANET"))
    presses.push_back(KeyByCharacter(key)->KeyIndex);
  auto mixer = MakeFastMixer();
  FileTransform transform(NativeFileSystem(), *mixer);
  const TransformResult<uint64_t> size = transform.Measure(folder.Wide("letter.txt"));
  ASSERT_TRUE(size);
  ASSERT_TRUE(transform.Stream(folder.Wide("letter.txt"), *size, folder.Wide("expected"),
                               SlotsFromPresses(presses)));
  EXPECT_EQ(ReadBytes(folder / "secret.txt"), ReadBytes(folder / "expected"));
  EXPECT_NE(ReadBytes(folder / "secret.txt"), ReadBytes(folder / "letter.txt"));
}

TEST_F(LinuxProgramTest, AFailureBoxFromTheJobLeavesTheDialogUsable) {
  std::ofstream(folder / "letter.txt", std::ios::trunc) << "abc";  // too small
  QString caption;
  bool helpOpened = false;
  const int exitCode = RunProgram([&] {
    ChooseFiles();
    Type(u"ABCDE");
    ws.OnMessageBoxShown([&](QMessageBox& box) {
      caption = box.windowTitle();
      Later([&] {
        helpOpened = ws.OpenDialog(ids::HelpDialog) != nullptr;
        CloseAsUser(ws.Widget(ws.OpenDialog(ids::HelpDialog)));
      });
      Click(HelpButton);  // the main dialog still answers while the box shows
      box.button(QMessageBox::Ok)->click();
    });
    Click(RunButton);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(caption, QStringLiteral("A small file"));
  EXPECT_TRUE(helpOpened);
  EXPECT_FALSE(std::filesystem::exists(folder / "secret.txt"));
}

}  // namespace
}  // namespace tavrinole::test_support
