// The main dialog's states, transitions and texts, its guards, and the Help and About
// boxes over it.
#include <algorithm>
#include <filesystem>

#include "engine/utf.h"
#include "tests/ui/ui_fixture.h"

namespace tavrinole::test_support {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// --- States and texts --------------------------------------------------------------

TEST_F(DialogTest, StartsInStartWithTheTemplatesTexts) {
  ExpectState(DialogState::Start);
  EXPECT_EQ(Text(ids::InputLabel), TemplateStartPrompt);
  EXPECT_EQ(Text(ids::OutputLabel), OutputPrompt);
  EXPECT_EQ(Text(ids::PasswordDisplay), StartPattern);
}

TEST_F(DialogTest, WalksFromStartToRunningWithTheTextsOfEachState) {
  Open("in.txt");
  ExpectState(DialogState::FileChosen);
  EXPECT_EQ(Text(ids::InputLabel), Wide("in.txt"));
  EXPECT_EQ(Text(ids::OutputLabel), OutputPrompt);
  EXPECT_EQ(Text(ids::PasswordDisplay), StartPattern);

  SaveAs("out");
  ExpectState(DialogState::OutputChosen);
  EXPECT_EQ(Text(ids::OutputLabel), Wide("out"));
  EXPECT_EQ(Text(ids::PasswordDisplay), Blank20);

  Type(WTEXT("ABCD"));
  ExpectState(DialogState::OutputChosen);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("****")));
  Type(WTEXT("E"));
  ExpectState(DialogState::Ready);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("*****")));

  Click(ids::RunButton);
  ExpectState(DialogState::Running);
  EXPECT_EQ(Text(ids::InputLabel), Wide("in.txt"));
  EXPECT_EQ(Text(ids::OutputLabel), Wide("out"));
  EXPECT_EQ(Text(ids::PasswordDisplay), WTEXT("***** Running ******"));
  ServeUntilEnded(ws, main);
  EXPECT_EQ(ws.State(main).result, 0);
}

TEST_F(DialogTest, ResetPasswordLeadsFromReadyBackToOutputChosen) {
  Reach(DialogState::Ready);
  Click(ids::ResetPasswordButton);
  ExpectState(DialogState::OutputChosen);
  EXPECT_EQ(dialog.Keys().PasswordLength(), 0);
  EXPECT_EQ(Text(ids::PasswordDisplay), Blank20);
}

// Every transition that starts before Running, from each state it may start in.
class FromState : public DialogTest, public ::testing::WithParamInterface<DialogState> {};
// ...and from each state that has an input, where Save as is enabled.
class WithInput : public FromState {};

TEST_P(FromState, CancelledOpenBringsBackTheStart) {
  Reach(GetParam());
  CancelOpen();
  ExpectState(DialogState::Start);
  EXPECT_EQ(Text(ids::InputLabel), StartPrompt);
  EXPECT_EQ(Text(ids::OutputLabel), OutputPrompt);
  EXPECT_EQ(Text(ids::PasswordDisplay), StartPattern);
  EXPECT_EQ(dialog.InputPath(), StartPrompt);
  EXPECT_EQ(dialog.OutputPath(), OutputPrompt);
  EXPECT_EQ(dialog.Keys().PasswordLength(), 0);
  EXPECT_EQ(dialog.Keys().Slots(), PasswordSlots{});
}

TEST_P(WithInput, OpenedFileReplacesTheInputAndKeepsEverythingElse) {
  Reach(GetParam());
  const PasswordSlots slots = dialog.Keys().Slots();
  const WString output = Text(ids::OutputLabel), display = Text(ids::PasswordDisplay);
  Open("second.doc");
  ExpectState(GetParam());
  EXPECT_EQ(Text(ids::InputLabel), Wide("second.doc"));
  EXPECT_EQ(dialog.InputPath(), Wide("second.doc"));
  EXPECT_EQ(Text(ids::OutputLabel), output);
  EXPECT_EQ(Text(ids::PasswordDisplay), display);
  EXPECT_EQ(dialog.Keys().Slots(), slots);
}

TEST_P(WithInput, SavedOutputEmptiesThePassword) {
  Reach(GetParam());
  SaveAs("elsewhere");
  ExpectState(DialogState::OutputChosen);
  EXPECT_EQ(Text(ids::OutputLabel), Wide("elsewhere"));
  EXPECT_EQ(Text(ids::InputLabel), Wide("in.txt"));
  EXPECT_EQ(Text(ids::PasswordDisplay), Blank20);
  EXPECT_EQ(dialog.Keys().PasswordLength(), 0);
}

TEST_P(WithInput, CancelledSaveAsKeepsTheInputAndForgetsTheOutput) {
  Reach(GetParam());
  CancelSaveAs();
  ExpectState(DialogState::FileChosen);
  EXPECT_EQ(Text(ids::InputLabel), Wide("in.txt"));
  EXPECT_EQ(Text(ids::OutputLabel), OutputPrompt);
  EXPECT_EQ(dialog.OutputPath(), OutputPrompt);
  EXPECT_EQ(Text(ids::PasswordDisplay), StartPattern);
  EXPECT_EQ(dialog.Keys().PasswordLength(), 0);
}

TEST_P(FromState, HelpAndAboutOpenOverTheDialogAndChangeNothing) {
  Reach(GetParam());
  for (int box : {ids::HelpDialog, ids::AboutDialog}) {
    ws.QueueCall([&] { EXPECT_FALSE(ws.State(main).enabled); });
    ws.QueueClose(box);
    Click(box == ids::HelpDialog ? ids::HelpButton : ids::AboutButton);
    const CallRecord shown = ws.Calls("DialogBoxParamW").back();
    EXPECT_THAT(shown.args, ElementsAre(box, ::testing::Ne(0)));  // the box's object
    EXPECT_EQ(shown.window, main);                                // the owner
    EXPECT_EQ(shown.result, 0);
  }
  ExpectState(GetParam());
  EXPECT_THAT(ws.Problems(), IsEmpty());
}

TEST_P(FromState, EscAndEnterDoNothingAndCloseEndsWithZero) {
  Reach(GetParam());
  const size_t calls = ws.Calls().size();
  EXPECT_TRUE(ws.PressEscape(main));
  EXPECT_TRUE(ws.PressEnter(main));
  EXPECT_EQ(ws.Calls().size(), calls + 2);  // the two key presses, and nothing they caused
  EXPECT_FALSE(ws.State(main).ended);
  EXPECT_TRUE(ws.Close(main));
  EXPECT_TRUE(ws.State(main).ended);
  EXPECT_EQ(ws.State(main).result, 0);
}

INSTANTIATE_TEST_SUITE_P(BeforeRunning, FromState,
                         ::testing::Values(DialogState::Start, DialogState::FileChosen,
                                           DialogState::OutputChosen, DialogState::Ready),
                         [](const auto& info) { return std::string(Name(info.param)); });
INSTANTIATE_TEST_SUITE_P(BeforeRunning, WithInput,
                         ::testing::Values(DialogState::FileChosen, DialogState::OutputChosen,
                                           DialogState::Ready),
                         [](const auto& info) { return std::string(Name(info.param)); });

// Each dialog's window carries its own object, so two main dialogs never mix.
TEST_F(DialogTest, TwoMainDialogsEachActOnTheirOwnObject) {
  MainDialog other{ws, paused, Instance};
  HWND second =
      ws.OpenDialog(ids::MainDialog, nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&other));
  ASSERT_NE(second, nullptr);
  Open("in.txt");
  ws.AnswerFileDialog(Wide("second.doc"));
  ASSERT_TRUE(ws.Click(second, ids::OpenButton));
  EXPECT_EQ(dialog.InputPath(), Wide("in.txt"));
  EXPECT_EQ(other.InputPath(), Wide("second.doc"));
  EXPECT_EQ(ws.State(main, ids::InputLabel).text, Wide("in.txt"));
  EXPECT_EQ(ws.State(second, ids::InputLabel).text, Wide("second.doc"));
}

TEST_F(DialogTest, LabelsAndUnknownIdsDoNothing) {
  Reach(DialogState::Ready);
  const size_t calls = ws.Calls().size();
  const WindowSystem::CallingScope calling(ws);  // as the window system does for a message
  for (int id : {IDOK, IDCANCEL, ids::MakerLabel, ids::InputLabel, ids::OutputLabel,
                 ids::PasswordDisplay, 4064, 5000}) {
    EXPECT_EQ(MainDialogProc(main, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), 0), TRUE);
  }
  EXPECT_EQ(ws.Calls().size(), calls);
  EXPECT_EQ(MainDialogProc(main, WM_SETTEXT, 0, 0), FALSE);
  ExpectState(DialogState::Ready);
}

// --- The info boxes ----------------------------------------------------------------

TEST_F(DialogTest, InfoBoxesIgnoreEscAndEnterAndCloseOnlyOnTheirCloseCommand) {
  for (int box : {ids::HelpDialog, ids::AboutDialog}) {
    ws.QueueEscape(box);
    ws.QueueEnter(box);
    ws.QueueCall([&, box] { EXPECT_FALSE(ws.State(ws.LastDialog(box)).ended); });
    ws.QueueClose(box);
    Click(box == ids::HelpDialog ? ids::HelpButton : ids::AboutButton);
    EXPECT_TRUE(ws.State(ws.LastDialog(box)).ended);
  }
  EXPECT_THAT(ws.Problems(), IsEmpty());
  EXPECT_FALSE(ws.State(main).ended);
}

TEST_F(DialogTest, InfoDialogProcAnswersOnlyItsCloseCommand) {
  ws.QueueCall([&] {
    HWND help = ws.LastDialog(ids::HelpDialog);
    const LONG_PTR object = ws.GetWindowLongPtrW(help, DWLP_USER);
    EXPECT_NE(object, 0) << "the box carries its object";
    const WindowSystem::CallingScope calling(ws);
    EXPECT_EQ(InfoDialogProc(help, WM_INITDIALOG, 0, object), FALSE);
    EXPECT_EQ(InfoDialogProc(help, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0), FALSE);
    EXPECT_EQ(InfoDialogProc(help, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0), FALSE);
    EXPECT_EQ(InfoDialogProc(help, WM_CLOSE, 0, 0), TRUE);
  });
  Click(ids::HelpButton);
  const CallRecord end = ws.Calls("EndDialog").back();
  EXPECT_EQ(end.window, ws.LastDialog(ids::HelpDialog));
  EXPECT_THAT(end.args, ElementsAre(0));
}

// --- Guards at Run -------------------------------------------------------------------

class RunGuard : public DialogTest {
 protected:
  void ExpectRefused(WStringView text) {
    const std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, text);
    EXPECT_EQ(boxes.back().caption, WTEXT("Warring"));
    EXPECT_EQ(boxes.back().window, main);
    EXPECT_THAT(boxes.back().args, ElementsAre(MB_OK));
    EXPECT_THAT(ws.Calls("BeginThread"), IsEmpty());
    ExpectState(DialogState::Ready);
    EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("*****")));
  }
};

TEST_F(RunGuard, RefusesANewDocumentThatWouldBeTheOriginal) {
  Open("in.txt");
  SaveAs("in");  // "in" + ".txt" is the input itself
  Type(WTEXT("ABCDE"));
  Click(ids::RunButton);
  ExpectRefused(WTEXT("The new document can't replace the original"));
  EXPECT_EQ(ReadBytes(folder / "in.txt"), RandomBytes(1000, 7));
}

TEST_F(RunGuard, RefusesAnotherNameForTheOriginal) {
  faulty.Set().SameFileAs[folder.Wide("alias.txt")] = folder.Wide("in.txt");
  Open("in.txt");
  SaveAs("alias");
  Type(WTEXT("ABCDE"));
  Click(ids::RunButton);
  ExpectRefused(WTEXT("The new document can't replace the original"));
}

TEST_F(RunGuard, RefusesANameThatGrowsPast255WithItsSuffix) {
  Open("in.txt");
  ws.AnswerFileDialog(PathOfLength(252, 'n'));  // with ".txt" 256 code units: one too many
  Click(ids::SaveAsButton);
  ASSERT_EQ(dialog.OutputPath().size(), 252u);
  Type(WTEXT("ABCDE"));
  Click(ids::RunButton);
  ExpectRefused(WTEXT("The file name is too long"));
}

TEST_F(RunGuard, AcceptsANameOfExactly255WithItsSuffix) {
  Open("in.txt");
  ws.AnswerFileDialog(PathOfLength(251, 'n'));
  Click(ids::SaveAsButton);
  Type(WTEXT("ABCDE"));
  Click(ids::RunButton);
  EXPECT_EQ(ws.Calls("BeginThread").size(), 1u);
  EXPECT_EQ(dialog.State(), DialogState::Running);
  ServeUntilEnded(ws, main);
}

TEST_F(RunGuard, AsksBeforeReplacingAnExistingNewDocumentAndNoKeepsEverything) {
  WriteBytes(folder / "out.txt", Bytes{1, 2, 3});
  Reach(DialogState::Ready);
  const PasswordSlots slots = dialog.Keys().Slots();
  ws.AnswerMessageBox(IDNO);
  Click(ids::RunButton);

  const std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Wide("out.txt") + WTEXT(" already exists.\nDo you want to replace it?"));
  EXPECT_EQ(boxes[0].caption, WTEXT("Confirm Save As"));
  EXPECT_EQ(boxes[0].window, main);
  EXPECT_THAT(boxes[0].args, ElementsAre(MB_YESNO | MB_DEFBUTTON2));  // No is the default
  EXPECT_THAT(ws.Calls("BeginThread"), IsEmpty());
  ExpectState(DialogState::Ready);
  EXPECT_EQ(dialog.Keys().Slots(), slots);
  EXPECT_EQ(dialog.OutputPath(), Wide("out"));
  EXPECT_EQ(ReadBytes(folder / "out.txt"), (Bytes{1, 2, 3}));
}

// Only a file is ever replaced: a folder at the name is refused before anything is asked.
TEST_F(RunGuard, RefusesAFolderAtTheNewDocumentsNameWithoutAsking) {
  std::filesystem::create_directory(folder / "out.txt");
  Reach(DialogState::Ready);
  Click(ids::RunButton);
  ExpectRefused(WTEXT("The new document can only replace a file"));
  EXPECT_EQ(ws.Calls("MessageBoxW").size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(folder / "out.txt"));
}

#ifndef _WIN32
// What could break the question's lines or turn its text around, and bytes of the name
// that are not text, are shown escaped.
TEST_F(RunGuard, TheReplaceQuestionShowsAHiddenCharacterEscaped) {
  const std::string name = "a\nb\xE2\x80\xAE\xFF";
  WriteBytes(folder / (name + ".txt"), Bytes{1, 2, 3, 4});
  Open("in.txt");
  ws.AnswerFileDialog(FromPath(NameToUtf16((folder.Root() / name).string())));
  Click(ids::SaveAsButton);
  Type(WTEXT("ABCDE"));
  ws.AnswerMessageBox(IDNO);
  Click(ids::RunButton);
  const std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Wide("") + WTEXT("a\\x0Ab\\xE2\\x80\\xAE\\xFF.txt already exists.\n") +
                               WTEXT("Do you want to replace it?"));
}
#endif

TEST_F(RunGuard, YesReplacesTheExistingNewDocument) {
  WriteBytes(folder / "out.txt", Bytes{1, 2, 3});
  Reach(DialogState::Ready);
  ws.AnswerMessageBox(IDYES);
  Click(ids::RunButton);
  ServeUntilEnded(ws, main);
  EXPECT_EQ(ReadBytes(folder / "out.txt").size(), 1000u);
}

TEST_F(RunGuard, AThreadThatCannotStartIsReportedAndEndsTheDialog) {
  Reach(DialogState::Ready);
  ws.FailNext("BeginThread");
  Click(ids::RunButton);
  const std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, WTEXT("Can't start the job"));
  EXPECT_EQ(boxes[0].caption, WTEXT("Warring"));
  EXPECT_TRUE(ws.State(main).ended);
  EXPECT_EQ(ws.State(main).result, 0);
}

// --- Paths from the file dialogs -------------------------------------------------------

TEST_F(DialogTest, APathOf256UnitsIsRefusedAndChangesNothing) {
  Reach(DialogState::Ready);
  const WString tooLong = PathOfLength(256, 'p');
  const WString fits = PathOfLength(255, 'p');
  const PasswordSlots slots = dialog.Keys().Slots();

  for (int button : {ids::OpenButton, ids::SaveAsButton}) {
    ws.AnswerFileDialog(tooLong);
    Click(button);
    const CallRecord box = ws.Calls("MessageBoxW").back();
    EXPECT_EQ(box.text, WTEXT("The path is too long"));
    EXPECT_EQ(box.caption, WTEXT("Warring"));
    ExpectState(DialogState::Ready);
    EXPECT_EQ(dialog.InputPath(), Wide("in.txt"));
    EXPECT_EQ(dialog.OutputPath(), Wide("out"));
    EXPECT_EQ(Text(ids::InputLabel), Wide("in.txt"));
    EXPECT_EQ(Text(ids::OutputLabel), Wide("out"));
    EXPECT_EQ(dialog.Keys().Slots(), slots);
  }
  EXPECT_EQ(Boxes(), 2u);

  ws.AnswerFileDialog(fits);
  Click(ids::OpenButton);
  EXPECT_EQ(dialog.InputPath(), fits);
  EXPECT_EQ(Boxes(), 2u);
}

// --- One file dialog at a time, one job per run ----------------------------------------

TEST_F(DialogTest, WhileAFileDialogIsOpenOpenSaveAsAndRunDoNothing) {
  Reach(DialogState::Ready);
  const size_t dialogsBefore = ws.FileDialogs().size();
  ws.AnswerFileDialog(Wide("second.doc"), ScriptedWindowSystem::Hold::UntilDismissed);
  ws.QueueClick(ids::MainDialog, ids::OpenButton);
  ws.QueueClick(ids::MainDialog, ids::SaveAsButton);
  ws.QueueClick(ids::MainDialog, ids::RunButton);
  ws.QueueClick(ids::MainDialog, KeyId(WTEXT('Z')));  // keys still work
  ws.QueueDismiss();
  Click(ids::OpenButton);

  EXPECT_EQ(ws.FileDialogs().size(), dialogsBefore + 1);
  EXPECT_THAT(ws.Calls("BeginThread"), IsEmpty());
  EXPECT_EQ(dialog.InputPath(), Wide("second.doc"));
  EXPECT_EQ(dialog.Keys().PasswordLength(), 6);
  ExpectState(DialogState::Ready);
  EXPECT_THAT(ws.Problems(), IsEmpty());
}

TEST_F(DialogTest, WhileSaveAsIsOpenOpenDoesNothing) {
  Reach(DialogState::FileChosen);
  ws.AnswerFileDialog(Wide("out"), ScriptedWindowSystem::Hold::UntilDismissed);
  ws.QueueClick(ids::MainDialog, ids::OpenButton);
  ws.QueueDismiss();
  Click(ids::SaveAsButton);
  EXPECT_EQ(ws.FileDialogs().size(), 2u);
  ExpectState(DialogState::OutputChosen);
}

class RunningJob : public DialogTest {
 protected:
  RunningJob() : DialogTest(true) {}  // the job waits at the gate in its first read
};

TEST_F(RunningJob, FromRunOnOnlyHelpAboutAndShowPasswordAct) {
  Reach(DialogState::Running);
  const size_t fileDialogs = ws.FileDialogs().size();
  for (int id : {ids::OpenButton, ids::SaveAsButton, ids::RunButton, ids::ResetPasswordButton,
                 KeyId(WTEXT('Q'))}) {
    Command(id);
  }
  EXPECT_EQ(ws.FileDialogs().size(), fileDialogs);
  EXPECT_EQ(ws.Calls("BeginThread").size(), 1u);
  EXPECT_EQ(dialog.Keys().PasswordLength(), 5);
  EXPECT_EQ(dialog.OutputPath(), Wide("out"));
  ExpectState(DialogState::Running);

  Click(ids::ShowPasswordBox);
  EXPECT_EQ(Text(ids::PasswordDisplay), Padded(WTEXT("ABCDE")));
  ws.QueueClose(ids::AboutDialog);
  Click(ids::AboutButton);
  EXPECT_TRUE(ws.State(ws.LastDialog(ids::AboutDialog)).ended);

  ws.OpenGate();
  ServeUntilEnded(ws, main);
  EXPECT_EQ(ws.TextsSet(Handle(ids::PasswordDisplay)).back(), WTEXT("****** Finish ******"));
}

TEST_F(RunningJob, HelpOpensWhileTheJobRunsAndTheJobGoesOn) {
  Reach(DialogState::Running);
  HWND display = Handle(ids::PasswordDisplay);
  ws.QueueCall([&] {
    EXPECT_FALSE(ws.State(ws.LastDialog(ids::HelpDialog)).ended);
    EXPECT_TRUE(ws.WaitFor([&] {
      return std::ranges::count(ws.TextsSet(display), WString(WTEXT("Running: 0101010101010")));
    }));
  });
  ws.QueueClose(ids::HelpDialog);
  Click(ids::HelpButton);
  EXPECT_FALSE(ws.State(main).ended);

  ws.OpenGate();
  ServeUntilEnded(ws, main);
  EXPECT_EQ(ws.TextsSet(display).back(), WTEXT("****** Finish ******"));
  EXPECT_EQ(ReadBytes(folder / "out.txt").size(), 1000u);
  EXPECT_THAT(ws.Problems(), IsEmpty());
}

}  // namespace
}  // namespace tavrinole::test_support
