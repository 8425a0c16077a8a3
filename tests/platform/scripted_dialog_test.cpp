// The scripted layer's dialogs behave as Windows' do for our dialog procedures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_dialogs.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ScriptedDialog : public ::testing::Test {
 protected:
  ScriptedWindowSystem ws;
  Probe probe{ws};
};

TEST_F(ScriptedDialog, ProceduresAreCalledWithTheLayerNamedAsCaller) {
  std::vector<WindowSystem*> callers;
  probe.onCommand = [&](HWND, WORD) { callers.push_back(WindowSystem::Calling()); };
  ws.QueueClick(MainId, OpenButton);
  ws.QueueCall([&] { callers.push_back(WindowSystem::Calling()); });
  ws.QueueClose(MainId);
  EXPECT_EQ(probe.RunMain(), 0);
  EXPECT_THAT(callers, ElementsAre(&ws, nullptr));
  EXPECT_EQ(WindowSystem::Calling(), nullptr);
}

TEST_F(ScriptedDialog, DisabledControlsAndStaticTextsSendNothing) {
  ws.QueueClick(MainId, RunButton);  // disabled in the template
  ws.QueueClick(MainId, Label);      // a static text
  ws.QueueCall([&] {
    HWND dialog = ws.LastDialog(MainId);
    EXPECT_EQ(ws.EnableWindow(ws.GetDlgItem(dialog, RunButton), TRUE), TRUE);  // was disabled
    EXPECT_EQ(ws.EnableWindow(ws.GetDlgItem(dialog, OpenButton), FALSE), FALSE);
  });
  ws.QueueClick(MainId, RunButton);
  ws.QueueClick(MainId, OpenButton);
  ws.QueueClose(MainId);

  probe.RunMain();

  EXPECT_THAT(probe.Commands(), ElementsAre(RunButton));
  std::vector<CallRecord> clicks = ws.Calls("Click");
  ASSERT_EQ(clicks.size(), 4u);
  EXPECT_EQ(clicks[0].result, 0);
  EXPECT_EQ(clicks[1].result, 0);
  EXPECT_EQ(clicks[2].result, 1);
  EXPECT_EQ(clicks[3].result, 0);
}

TEST_F(ScriptedDialog, ADisabledDialogTakesNoInputAtAll) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  ws.EnableWindow(dialog, FALSE);

  EXPECT_FALSE(ws.Click(dialog, OpenButton));
  EXPECT_FALSE(ws.PressEscape(dialog));
  EXPECT_FALSE(ws.PressEnter(dialog));
  EXPECT_FALSE(ws.Close(dialog));
  EXPECT_TRUE(ws.State(dialog, OpenButton).enabled);  // its own flag is untouched

  ws.EnableWindow(dialog, TRUE);
  EXPECT_TRUE(ws.Click(dialog, OpenButton));
  EXPECT_THAT(probe.Commands(), ElementsAre(OpenButton));
}

TEST_F(ScriptedDialog, CheckBoxTogglesBeforeItsCommandArrives) {
  ws.QueueClick(MainId, ShowCheck);
  ws.QueueClick(MainId, ShowCheck);
  ws.QueueClick(MainId, ShowCheck);
  ws.QueueClose(MainId);

  probe.RunMain();

  std::vector<LRESULT> seen;
  for (const Message& m : probe.Received(WM_COMMAND)) seen.push_back(m.check);
  EXPECT_THAT(seen, ElementsAre(BST_CHECKED, BST_UNCHECKED, BST_CHECKED));
  EXPECT_TRUE(ws.State(ws.LastDialog(MainId), ShowCheck).checked);
}

TEST_F(ScriptedDialog, CommandsCarryTheControlHandleAndNoNotificationIsNeeded) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  ASSERT_TRUE(ws.Click(dialog, OpenButton));
  Message command = probe.Received(WM_COMMAND).at(0);
  EXPECT_EQ(command.id, OpenButton);
  EXPECT_EQ(reinterpret_cast<HWND>(command.lParam), ws.GetDlgItem(dialog, OpenButton));
}

// Whether the owner counts as disabled meanwhile is the contract suite's; here, that
// the scripted user's input respects it, and actions reach the dialog they name.
TEST_F(ScriptedDialog, AnOwnerTakesNoScriptedInputWhileItsDialogRuns) {
  ws.QueueClick(MainId, HelpButton);  // Info runs modally over Main
  ws.QueueClick(MainId, OpenButton);  // the owner takes no input meanwhile
  ws.QueueClose(MainId);
  ws.QueueEscape(InfoId);
  ws.QueueEnter(InfoId);
  ws.QueueClose(InfoId);
  ws.QueueClick(MainId, OpenButton);
  ws.QueueClose(MainId);

  EXPECT_EQ(probe.RunMain(), 0);

  HWND main = ws.LastDialog(MainId);
  HWND info = ws.LastDialog(InfoId);
  std::vector<std::pair<HWND, WORD>> commands;
  for (const Message& m : probe.Received(WM_COMMAND)) commands.emplace_back(m.dialog, m.id);
  EXPECT_THAT(commands,
              ElementsAre(std::pair{main, WORD(HelpButton)}, std::pair{info, WORD(IDCANCEL)},
                          std::pair{info, WORD(IDOK)}, std::pair{main, WORD(OpenButton)}));
  EXPECT_TRUE(ws.State(info).ended);
  std::vector<CallRecord> boxes = ws.Calls("DialogBoxParamW");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].window, main);  // the owner
  EXPECT_EQ(boxes[1].args.at(0), InfoId);
}

TEST_F(ScriptedDialog, EndedDialogsLeaveStaleHandlesThatFailSafely) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  HWND open = ws.GetDlgItem(dialog, OpenButton);
  ASSERT_TRUE(ws.Close(dialog));  // the probe answers with EndDialog(0)

  EXPECT_TRUE(ws.State(dialog).ended);
  EXPECT_EQ(ws.GetDlgItem(dialog, OpenButton), nullptr);
  EXPECT_FALSE(ws.SetWindowTextW(open, WTEXT("late")));
  EXPECT_FALSE(ws.EnableWindow(open, FALSE));
  EXPECT_FALSE(ws.IsWindowEnabled(open));
  EXPECT_FALSE(ws.EndDialog(dialog, 1));
  EXPECT_FALSE(ws.Click(dialog, OpenButton));
  EXPECT_EQ(ws.State(dialog, OpenButton).text, WTEXT("Open"));  // still inspectable
}

TEST_F(ScriptedDialog, ControlsKeepTextsFlagsAndChecksById) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  HWND label = ws.GetDlgItem(dialog, Label);
  HWND check = ws.GetDlgItem(dialog, ShowCheck);
  EXPECT_EQ(ws.State(dialog, Label).text, WTEXT("label"));
  EXPECT_EQ(ws.State(dialog).text, WTEXT("Main"));

  EXPECT_TRUE(ws.SetWindowTextW(label, WTEXT(" & <trailing>  ")));
  WCHAR buffer[8];
  EXPECT_EQ(ws.GetWindowTextW(label, buffer, 8), 7);
  EXPECT_EQ(WString(buffer), WTEXT(" & <tra"));
  EXPECT_EQ(ws.State(dialog, Label).text, WTEXT(" & <trailing>  "));

  EXPECT_EQ(ws.SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  ws.SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(ws.SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ws.GetDlgItem(dialog, 9999), nullptr);
}

TEST_F(ScriptedDialog, MessagesSentToADialogReachItsProcedure) {
  HWND dialog = ws.OpenDialog(MainId, nullptr, Probe::Proc, 0);
  ws.SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(OpenButton, BN_CLICKED), 0);
  EXPECT_THAT(probe.Commands(), ElementsAre(OpenButton));
}

TEST_F(ScriptedDialog, CallsAreRecordedInOrderWithTheirThread) {
  probe.onCommand = [&](HWND dialog, WORD id) {
    if (id != OpenButton) return;
    ws.EnableWindow(ws.GetDlgItem(dialog, RunButton), TRUE);
    ws.SetWindowTextW(ws.GetDlgItem(dialog, Label), WTEXT("chosen"));
  };
  ws.QueueClick(MainId, OpenButton);
  ws.QueueClose(MainId);
  probe.RunMain();

  std::vector<std::string> ops;
  for (const CallRecord& call : ws.Calls()) ops.push_back(call.op);
  EXPECT_THAT(ops, ElementsAre("DialogBoxParamW", "Click", "EnableWindow", "SetWindowTextW",
                               "Close", "EndDialog"));
  CallRecord text = ws.Calls("SetWindowTextW").at(0);
  EXPECT_EQ(text.id, Label);
  EXPECT_EQ(text.text, WTEXT("chosen"));
  EXPECT_EQ(text.thread, std::this_thread::get_id());
  EXPECT_TRUE(text.onGuiThread);
  EXPECT_EQ(ws.Calls("EnableWindow").at(0).args, (std::vector<intptr_t>{TRUE}));
  EXPECT_EQ(ws.GuiThread(), std::this_thread::get_id());
  EXPECT_EQ(ws.TextsSet(ws.Control(ws.LastDialog(MainId), Label)),
            (std::vector<WString>{WTEXT("chosen")}));
}

TEST_F(ScriptedDialog, UnknownTemplatesAndScriptedFailuresGiveMinusOne) {
  EXPECT_EQ(ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4242), nullptr, Probe::Proc, 0), -1);
  ws.FailNext("DialogBoxParamW");
  EXPECT_EQ(probe.RunMain(), -1);
  EXPECT_TRUE(probe.messages.empty());
}

TEST(ScriptedLoop, ALoopWhoseScriptRunsDryGivesUpAndSaysSo) {
  ScriptedWindowSystem dry({std::chrono::milliseconds(50)});
  Probe probe{dry};
  dry.QueueClick(MainId, OpenButton);
  EXPECT_EQ(probe.RunMain(), ScriptedWindowSystem::Abandoned);
  EXPECT_THAT(dry.Problems(), ElementsAre(::testing::HasSubstr("ran dry")));
}

TEST_F(ScriptedDialog, AnActionForADialogThatIsNotOpenIsAProblem) {
  ws.QueueClick(InfoId, Label);
  ws.QueueClose(MainId);
  probe.RunMain();
  EXPECT_THAT(ws.Problems(), ElementsAre(::testing::HasSubstr("not open")));
}

std::vector<Message> received;

// A named function, not a lambda: on Windows a dialog procedure is __stdcall.
INT_PTR CALLBACK Record(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({dialog, message, wParam, LOWORD(wParam), lParam, 0, {}});
  return FALSE;
}

TEST(ScriptedProgramDialogs, BuildFromTheProgramsOwnTemplates) {
  ScriptedWindowSystem ws;
  ws.RegisterTemplates(resources::DialogTemplates);
  received.clear();
  DLGPROC record = &Record;
  HWND main = ws.OpenDialog(ids::MainDialog, nullptr, record, 0);

  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ws.State(main).text, WTEXT("Tavrinole-Ochrel(Unlimited)"));
  EXPECT_EQ(ws.State(main, ids::InputLabel).text, WTEXT(" To start press the 'Open ' buton"));
  EXPECT_TRUE(ws.State(main, ids::HelpButton).enabled);
  EXPECT_FALSE(ws.State(main, ids::SaveAsButton).enabled);
  EXPECT_FALSE(ws.State(main, ids::KeyA).enabled);
  EXPECT_EQ(ws.State(main, ids::KeySpace).text, WTEXT(" "));
  EXPECT_FALSE(ws.State(main, ids::ShowPasswordBox).checked);
  // Focus goes to the first tab stop, Help.
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, WM_INITDIALOG);
  EXPECT_EQ(reinterpret_cast<HWND>(received[0].wParam), ws.GetDlgItem(main, ids::HelpButton));
  EXPECT_TRUE(ws.Click(main, ids::ShowPasswordBox));
  EXPECT_TRUE(ws.State(main, ids::ShowPasswordBox).checked);
}

}  // namespace
}  // namespace tavrinole::test_support
