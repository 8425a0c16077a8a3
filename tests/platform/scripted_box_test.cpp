// Message boxes, file dialogs and the start-up calls answer from the script and are
// recorded field by field.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_dialogs.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const WCHAR OpenFilter[] = WTEXT("All\0*.*\0Text   *.txt;*.doc\0*.TXT;*.DOC\0");

class ScriptedBoxes : public ::testing::Test {
 protected:
  // The record as the main dialog fills it before each call.
  OPENFILENAMEW Record(DWORD flags, LPCWSTR filter = OpenFilter) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(OPENFILENAMEW);
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = result;
    ofn.nMaxFile = 260;
    ofn.Flags = flags;
    result[0] = 0;
    return ofn;
  }

  ScriptedWindowSystem ws;
  Probe probe{ws};
  WCHAR result[260];
  bool busy = false;
};

TEST_F(ScriptedBoxes, MessageBoxesAnswerFromTheScriptInOrder) {
  ws.AnswerMessageBox(IDYES);
  ws.AnswerMessageBox(IDNO);
  EXPECT_EQ(ws.MessageBoxW(nullptr, WTEXT("a"), WTEXT("Confirm Save As"), MB_YESNO), IDYES);
  EXPECT_EQ(ws.MessageBoxW(nullptr, WTEXT("b"), WTEXT("Confirm Save As"), MB_YESNO), IDNO);
  EXPECT_EQ(ws.MessageBoxW(nullptr, WTEXT("c"), WTEXT("Warring"), MB_OK), IDOK);  // the default
  EXPECT_THAT(ws.Problems(), IsEmpty());

  EXPECT_EQ(ws.MessageBoxW(nullptr, WTEXT("d"), WTEXT("?"), MB_YESNO), IDNO);
  EXPECT_THAT(ws.Problems(), ElementsAre(HasSubstr("unscripted")));
  std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].result, IDYES);
  EXPECT_EQ(boxes[0].args, (std::vector<intptr_t>{MB_YESNO}));
  EXPECT_EQ(boxes[2].caption, WTEXT("Warring"));
}

TEST_F(ScriptedBoxes, AHeldBoxOnTheGuiThreadKeepsServingUntilDismissed) {
  probe.onCommand = [&](HWND dialog, WORD id) {
    if (id == OpenButton) {
      EXPECT_EQ(ws.MessageBoxW(dialog, WTEXT("exists"), WTEXT("Confirm Save As"), MB_YESNO), IDYES);
    }
  };
  ws.AnswerMessageBox(IDYES, ScriptedWindowSystem::Hold::UntilDismissed);
  ws.QueueClick(MainId, OpenButton);
  ws.QueueCall([&] {
    EXPECT_EQ(ws.HeldOpen(), 1);
    EXPECT_FALSE(ws.State(ws.LastDialog(MainId)).enabled);  // its owner
  });
  ws.QueueClick(MainId, HelpButton);  // the owner takes no input
  ws.QueueDismiss();
  ws.QueueCall([&] { EXPECT_TRUE(ws.State(ws.LastDialog(MainId)).enabled); });
  ws.QueueClose(MainId);

  EXPECT_EQ(probe.RunMain(), 0);
  EXPECT_THAT(probe.Commands(), ElementsAre(OpenButton));
  EXPECT_THAT(ws.Problems(), IsEmpty());
}

TEST_F(ScriptedBoxes, AnOpenDialogCopiesTheScriptedPathAndRecordsTheFields) {
  ws.AnswerFileDialog(WTEXT("C:\\docs\\report.pdf"));
  OPENFILENAMEW ofn = Record(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);

  EXPECT_TRUE(ws.GetOpenFileNameW(&ofn));

  EXPECT_EQ(WString(result), WTEXT("C:\\docs\\report.pdf"));
  std::vector<CallRecord> dialogs = ws.FileDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  const CallRecord& seen = dialogs[0];
  EXPECT_EQ(seen.op, "GetOpenFileNameW");
  EXPECT_EQ(seen.ofn.lStructSize, sizeof(OPENFILENAMEW));
  EXPECT_EQ(seen.ofn.hwndOwner, nullptr);
  EXPECT_EQ(seen.ofn.Flags, 6144u);
  EXPECT_EQ(seen.ofn.nFilterIndex, 1u);
  EXPECT_EQ(seen.ofn.nMaxFile, 260u);
  EXPECT_EQ(seen.ofn.lpstrTitle, nullptr);
  EXPECT_EQ(seen.ofn.lpstrDefExt, nullptr);
  EXPECT_THAT(seen.filter, ElementsAre(FilterPair{WTEXT("All"), {WTEXT("*.*")}},
                                       FilterPair{WTEXT("Text   *.txt;*.doc"),
                                                  {WTEXT("*.TXT"), WTEXT("*.DOC")}}));
  EXPECT_EQ(seen.fileOnEntry, WTEXT(""));
  EXPECT_EQ(seen.text, WTEXT("C:\\docs\\report.pdf"));
  EXPECT_EQ(seen.result, TRUE);
  EXPECT_EQ(seen.thread, std::this_thread::get_id());
}

TEST_F(ScriptedBoxes, CancelTooLongAndUnscriptedAllReturnZero) {
  ws.CancelFileDialog();
  ws.AnswerFileDialog(WString(259, WCHAR('a')));  // fits 260 with its terminator
  ws.AnswerFileDialog(WString(260, WCHAR('b')));  // does not
  OPENFILENAMEW ofn = Record(6146);

  EXPECT_FALSE(ws.GetSaveFileNameW(&ofn));
  EXPECT_TRUE(ws.GetSaveFileNameW(&ofn));
  EXPECT_EQ(WString(result).size(), 259u);
  result[0] = 0;
  EXPECT_FALSE(ws.GetSaveFileNameW(&ofn));
  EXPECT_EQ(result[0], 0);  // nothing written
  EXPECT_THAT(ws.Problems(), IsEmpty());

  EXPECT_FALSE(ws.GetSaveFileNameW(&ofn));
  EXPECT_THAT(ws.Problems(), ElementsAre(HasSubstr("unscripted GetSaveFileNameW")));
  EXPECT_EQ(ws.Calls("GetSaveFileNameW").size(), 4u);
}

TEST_F(ScriptedBoxes, AWrongRecordSizeFailsAndKeepsTheAnswer) {
  ws.AnswerFileDialog(WTEXT("/tmp/x"));
  OPENFILENAMEW ofn = Record(6144);
  ofn.lStructSize = 76;
  EXPECT_FALSE(ws.GetOpenFileNameW(&ofn));
  ofn.lStructSize = sizeof(OPENFILENAMEW);
  EXPECT_TRUE(ws.GetOpenFileNameW(&ofn));
}

TEST_F(ScriptedBoxes, AHeldFileDialogLeavesTheMainDialogUsable) {
  probe.onCommand = [&](HWND, WORD id) {
    if (id != OpenButton || busy) return;  // one file dialog at a time
    busy = true;
    OPENFILENAMEW ofn = Record(6144);
    EXPECT_TRUE(ws.GetOpenFileNameW(&ofn));
    busy = false;
  };
  ws.AnswerFileDialog(WTEXT("/home/a/b.txt"), ScriptedWindowSystem::Hold::UntilDismissed);
  ws.QueueClick(MainId, OpenButton);
  ws.QueueClick(MainId, OpenButton);  // reaches the procedure: the file dialog has no owner
  ws.QueueClick(MainId, HelpButton);
  ws.QueueClose(InfoId);
  ws.QueueDismiss();
  ws.QueueClose(MainId);

  EXPECT_EQ(probe.RunMain(), 0);

  EXPECT_THAT(probe.Commands(), ElementsAre(OpenButton, OpenButton, HelpButton));
  EXPECT_EQ(ws.FileDialogs().size(), 1u);
  EXPECT_EQ(WString(result), WTEXT("/home/a/b.txt"));
}

TEST_F(ScriptedBoxes, StartUpCallsBehaveAsOnWindows) {
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  EXPECT_TRUE(ws.InitCommonControlsEx(&init));
  EXPECT_EQ(ws.Calls("InitCommonControlsEx").at(0).args, (std::vector<intptr_t>{8, 255}));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(WNDCLASSEXW);
  ASSERT_TRUE(ws.GetClassInfoExW(nullptr, WC_DIALOG, &wc));
  EXPECT_EQ(wc.cbSize, sizeof(WNDCLASSEXW));
  EXPECT_NE(wc.lpfnWndProc, nullptr);
  EXPECT_EQ(wc.cbWndExtra, 30);
  WNDPROC systemProc = wc.lpfnWndProc;

  HANDLE icon = ws.LoadImageW(nullptr, MAKEINTRESOURCEW(ids::ProgramIcon), IMAGE_ICON, 48, 48,
                              LR_CREATEDIBSECTION);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(ws.Calls("LoadImageW").at(0).args,
            (std::vector<intptr_t>{ids::ProgramIcon, IMAGE_ICON, 48, 48, LR_CREATEDIBSECTION}));
  wc.hIcon = wc.hIconSm = static_cast<HICON>(icon);
  wc.lpszClassName = WTEXT("TavrinolClass");
  EXPECT_NE(ws.RegisterClassExW(&wc), 0);
  EXPECT_EQ(ws.RegisterClassExW(&wc), 0);  // already registered

  std::optional<WNDCLASSEXW> registered = ws.RegisteredClass(WTEXT("TavrinolClass"));
  ASSERT_TRUE(registered.has_value());
  EXPECT_EQ(registered->lpfnWndProc, systemProc);
  EXPECT_EQ(registered->hIcon, static_cast<HICON>(icon));
  EXPECT_EQ(WString(registered->lpszClassName), WTEXT("TavrinolClass"));
  EXPECT_EQ(ws.Calls("RegisterClassExW").at(0).text, WTEXT("TavrinolClass"));
}

TEST_F(ScriptedBoxes, StartUpCallsCanBeScriptedToFail) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(WNDCLASSEXW);
  ws.FailNext("GetClassInfoExW");
  EXPECT_FALSE(ws.GetClassInfoExW(nullptr, WC_DIALOG, &wc));
  EXPECT_TRUE(ws.GetClassInfoExW(nullptr, WC_DIALOG, &wc));
  wc.lpszClassName = WTEXT("TavrinolClass");
  ws.FailNext("RegisterClassExW");
  EXPECT_EQ(ws.RegisterClassExW(&wc), 0);
  ws.FailNext("LoadImageW");
  EXPECT_EQ(ws.LoadImageW(nullptr, MAKEINTRESOURCEW(ids::ProgramIcon), IMAGE_ICON, 48, 48, 0),
            nullptr);
  INITCOMMONCONTROLSEX wrongSize{4, ICC_WIN95_CLASSES};
  EXPECT_FALSE(ws.InitCommonControlsEx(&wrongSize));
}

}  // namespace
}  // namespace tavrinole::test_support
