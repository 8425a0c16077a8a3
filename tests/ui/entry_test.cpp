// The entry's start-up calls, the file-dialog record, and whole runs of the program.
#include "ui/entry.h"

#include "engine/password.h"
#include "tests/support/reference_mixed.h"
#include "tests/ui/ui_fixture.h"
#include "ui/encoding_job.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Entry : public ::testing::Test {
 protected:
  Entry() { ws.RegisterTemplates(resources::DialogTemplates); }

  int Run(FileSystem& files) { return RunTavrinole(ws, files, Instance); }
  int Run() { return Run(faulty); }

  void QueueClick(int id) { ws.QueueClick(ids::MainDialog, id); }
  void QueueType(WStringView keys) {
    for (WCHAR c : keys) QueueClick(KeyId(c));
  }
  // Open, Save as and a password, ready to press Run.
  void QueueReady(const std::string& in, const std::string& out, WStringView password) {
    ws.AnswerFileDialog(FromPath(folder.Wide(in)));
    QueueClick(ids::OpenButton);
    ws.AnswerFileDialog(FromPath(folder.Wide(out)));
    QueueClick(ids::SaveAsButton);
    QueueType(password);
  }
  HWND Main() const { return ws.LastDialog(ids::MainDialog); }

  TempFolder folder;
  ScriptedWindowSystem ws;
  FaultyFileSystem faulty;
};

TEST_F(Entry, StartsUpWithTheCallsAndArgumentsOfAWin32Program) {
  ws.QueueClose(ids::MainDialog);
  EXPECT_EQ(Run(), 0);

  const std::vector<CallRecord> calls = ws.Calls();
  std::vector<std::string> ops;
  for (size_t i = 0; i < 5; ++i) ops.push_back(calls[i].op);
  EXPECT_THAT(ops, ElementsAre("InitCommonControlsEx", "GetClassInfoExW", "LoadImageW",
                               "LoadImageW", "RegisterClassExW"));
  EXPECT_THAT(calls[0].args, ElementsAre(sizeof(INITCOMMONCONTROLSEX), 255));
  EXPECT_THAT(calls[1].args, ElementsAre(32770, sizeof(WNDCLASSEXW)));
  for (size_t i : {2u, 3u}) {
    EXPECT_THAT(calls[i].args,
                ElementsAre(ids::ProgramIcon, IMAGE_ICON, 48, 48, LR_CREATEDIBSECTION));
  }
  EXPECT_EQ(calls[4].text, WTEXT("TavrinolClass"));
  EXPECT_EQ(calls[5].op, "DialogBoxParamW");
  EXPECT_EQ(calls[5].window, nullptr);
  // The dialog's object travels as the LPARAM, for WM_INITDIALOG to store in the window.
  ASSERT_EQ(calls[5].args.size(), 2u);
  EXPECT_EQ(calls[5].args[0], ids::MainDialog);
  EXPECT_NE(calls[5].args[1], 0);

  WNDCLASSEXW system{};
  system.cbSize = sizeof(WNDCLASSEXW);
  ASSERT_TRUE(ws.GetClassInfoExW(nullptr, WC_DIALOG, &system));
  const std::optional<WNDCLASSEXW> ours = ws.RegisteredClass(WTEXT("TavrinolClass"));
  ASSERT_TRUE(ours.has_value());
  EXPECT_EQ(ours->hInstance, Instance);
  EXPECT_EQ(reinterpret_cast<intptr_t>(ours->hIcon), calls[2].result);
  EXPECT_EQ(reinterpret_cast<intptr_t>(ours->hIconSm), calls[3].result);
  EXPECT_EQ(ours->lpfnWndProc, system.lpfnWndProc);
  EXPECT_EQ(ours->style, system.style);
  EXPECT_EQ(ours->cbWndExtra, system.cbWndExtra);
  EXPECT_THAT(ws.Problems(), IsEmpty());
}

TEST_F(Entry, EndsWithZeroWhenTheClassCannotBeMadeAndMinusOneWithoutADialog) {
  for (const char* failing : {"GetClassInfoExW", "RegisterClassExW"}) {
    ScriptedWindowSystem fresh;
    fresh.RegisterTemplates(resources::DialogTemplates);
    fresh.FailNext(failing);
    EXPECT_EQ(RunTavrinole(fresh, faulty, Instance), 0) << failing;
    EXPECT_THAT(fresh.Calls("DialogBoxParamW"), IsEmpty()) << failing;
    EXPECT_THAT(fresh.Calls("MessageBoxW"), IsEmpty()) << failing;
  }
  ws.FailNext("DialogBoxParamW");
  EXPECT_EQ(Run(), -1);
}

TEST_F(Entry, FillsTheCallRecordAfreshForEachCall) {
  WriteBytes(folder / "in.txt", Bytes(10, 1));
  ws.AnswerFileDialog(FromPath(folder.Wide("in.txt")));
  QueueClick(ids::OpenButton);
  ws.AnswerFileDialog(FromPath(folder.Wide("in.txt")));
  QueueClick(ids::OpenButton);
  ws.AnswerFileDialog(FromPath(folder.Wide("out")));
  QueueClick(ids::SaveAsButton);
  ws.QueueClose(ids::MainDialog);
  ASSERT_EQ(Run(), 0);

  const std::vector<CallRecord> shown = ws.FileDialogs();
  ASSERT_EQ(shown.size(), 3u);
  const std::vector<FilterPair> openFilter = {
      {WTEXT("All"), {WTEXT("*.*")}},
      {WTEXT("Text   *.txt;*.doc"), {WTEXT("*.TXT"), WTEXT("*.DOC")}},
      {WTEXT("Picture   *.bmp;*.jpg;*gif"), {WTEXT("*.BMP"), WTEXT("*JPG"), WTEXT("*.GIF")}},
      {WTEXT("Music   *.mp3;*.wmp"), {WTEXT("*.MP3"), WTEXT("*.WMP")}},
  };
  const std::vector<FilterPair> saveFilter = {{WTEXT("All"), {WTEXT("*.*")}}};
  for (const CallRecord& call : shown) {
    const bool save = call.op == "GetSaveFileNameW";
    const OPENFILENAMEW& r = call.ofn;
    SCOPED_TRACE(call.op);
    EXPECT_EQ(r.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(r.hwndOwner, nullptr);
    EXPECT_EQ(r.hInstance, nullptr);
    EXPECT_EQ(call.filter, save ? saveFilter : openFilter);
    EXPECT_EQ(r.lpstrCustomFilter, nullptr);
    EXPECT_EQ(r.nMaxCustFilter, 0u);
    EXPECT_EQ(r.nFilterIndex, 1u);
    EXPECT_NE(r.lpstrFile, nullptr);
    EXPECT_EQ(call.fileOnEntry, WTEXT(""));
    EXPECT_EQ(r.nMaxFile, 260u);
    EXPECT_EQ(r.lpstrFileTitle, nullptr);
    EXPECT_EQ(r.nMaxFileTitle, 0u);
    EXPECT_EQ(r.lpstrInitialDir, nullptr);
    EXPECT_EQ(r.lpstrTitle, nullptr);
    EXPECT_EQ(r.Flags, save ? 6146u : 6144u);
    EXPECT_EQ(r.nFileOffset, 0u);
    EXPECT_EQ(r.nFileExtension, 0u);
    EXPECT_EQ(r.lpstrDefExt, nullptr);
    EXPECT_EQ(r.lCustData, 0);
    EXPECT_EQ(r.lpfnHook, nullptr);
    EXPECT_EQ(r.lpTemplateName, nullptr);
    EXPECT_EQ(r.pvReserved, nullptr);
    EXPECT_EQ(r.dwReserved, 0u);
    EXPECT_EQ(r.FlagsEx, 0u);
  }
  // The raw filter of the open dialog, double zero included.
  const WCHAR* raw = shown[0].ofn.lpstrFilter;
  const WStringView expected = WTEXT(
      "All\0*.*\0Text   *.txt;*.doc\0*.TXT;*.DOC\0Picture   *.bmp;*.jpg;*gif\0*.BMP;*JPG;*.GIF\0")
      WTEXT("Music   *.mp3;*.wmp\0*.MP3;*.WMP\0\0");
  EXPECT_EQ(WStringView(raw, expected.size()), expected);
}

// Open, Save as, five keys, Run: the status texts, the closing message, the end of the
// dialog, and a new document that the same run on it turns back into the original.
TEST_F(Entry, RunsAJobFromStartToEndAndItsOutputDecodesBack) {
  const Bytes original = RandomBytes(70001, 3);  // one full block and a remainder
  WriteBytes(folder / "in.txt", original);
  QueueReady("in.txt", "out", WTEXT("TIGER"));
  QueueClick(ids::RunButton);
  ASSERT_EQ(Run(), 0);

  const HWND main = Main();
  EXPECT_TRUE(ws.State(main).ended);
  const std::vector<WString> status = ws.TextsSet(ws.Control(main, ids::PasswordDisplay));
  ASSERT_GE(status.size(), 3u);
  const auto running =
      std::find(status.begin(), status.end(), WString(WTEXT("***** Running ******")));
  ASSERT_NE(running, status.end());
  ASSERT_NE(running + 1, status.end());
  EXPECT_EQ(*(running + 1), WTEXT("Please wait: running...."));
  EXPECT_EQ(status.back(), WTEXT("****** Finish ******"));

  const std::vector<CallRecord> boxes = ws.Calls("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, WTEXT(" Closing......"));
  EXPECT_EQ(boxes[0].text, ToWide(resources::Closing));
  EXPECT_EQ(boxes[0].window, main);

  const Bytes encoded = ReadBytes(folder / "out.txt");
  ASSERT_EQ(encoded.size(), original.size());
  EXPECT_NE(encoded, original);
  EXPECT_EQ(encoded, ReferenceMixed(original, "TIGER"));

  ScriptedWindowSystem again;
  again.RegisterTemplates(resources::DialogTemplates);
  again.AnswerFileDialog(FromPath(folder.Wide("out.txt")));
  again.QueueClick(ids::MainDialog, ids::OpenButton);
  again.AnswerFileDialog(FromPath(folder.Wide("back")));
  again.QueueClick(ids::MainDialog, ids::SaveAsButton);
  for (WCHAR c : WStringView(WTEXT("TIGER"))) {
    again.QueueClick(ids::MainDialog, KeyId(c));
  }
  again.QueueClick(ids::MainDialog, ids::RunButton);
  ASSERT_EQ(RunTavrinole(again, faulty, Instance), 0);
  EXPECT_EQ(ReadBytes(folder / "back.txt"), original);
  EXPECT_THAT(ws.Problems(), IsEmpty());
  EXPECT_THAT(again.Problems(), IsEmpty());
}

// The new document's name, with real files: the suffix follows the last '.' anywhere in
// the input's path, folder names included, or is "(2)".
TEST_F(Entry, WritesTheNewDocumentUnderTheDerivedName) {
  struct Row {
    const char* input;
    const char* chosen;
    const char* written;
  };
  const Row rows[] = {
      {"docs/report.pdf", "safe/copy", "safe/copy.pdf"},
      {"docs/report.pdf", "safe/copy.pdf", "safe/copy.pdf.pdf"},
      {"docs/archive.tar.gz", "safe/a", "safe/a.gz"},
      {"plain/README", "safe/copy", "safe/copy(2)"},
      {"mail.box/README", "safe/copy", "safe/copy.box/README"},
  };
  for (const char* dir : {"docs", "plain", "mail.box", "safe", "safe/copy.box"}) {
    std::filesystem::create_directories(folder / dir);
  }
  for (const Row& row : rows) {
    const Bytes original = RandomBytes(100, 5);
    WriteBytes(folder / row.input, original);
    ScriptedWindowSystem fresh;
    fresh.RegisterTemplates(resources::DialogTemplates);
    fresh.AnswerFileDialog(FromPath(folder.Wide(row.input)));
    fresh.QueueClick(ids::MainDialog, ids::OpenButton);
    fresh.AnswerFileDialog(FromPath(folder.Wide(row.chosen)));
    fresh.QueueClick(ids::MainDialog, ids::SaveAsButton);
    for (WCHAR c : WStringView(WTEXT("TIGER"))) {
      fresh.QueueClick(ids::MainDialog, KeyId(c));
    }
    fresh.QueueClick(ids::MainDialog, ids::RunButton);
    ASSERT_EQ(RunTavrinole(fresh, faulty, Instance), 0) << row.input;
    ASSERT_TRUE(std::filesystem::exists(folder / row.written)) << row.written;
    EXPECT_EQ(ReadBytes(folder / row.written).size(), original.size()) << row.written;
    EXPECT_THAT(fresh.Problems(), IsEmpty()) << row.written;
    std::filesystem::remove(folder / row.written);
  }
}

// Closing during a job cancels it; the entry returns only after both of the job's
// threads have, and no partial document is left behind.
TEST_F(Entry, ClosingDuringAJobEndsItAndWaitsForItsThreads) {
  // Longer than one pass of the transform, which looks for a cancel between passes.
  WriteBytes(folder / "in.txt", RandomBytes(1100000, 4));
  PausedReads paused(faulty, ws, true);  // until the close joins the job
  QueueReady("in.txt", "out", WTEXT("TIGER"));
  QueueClick(ids::RunButton);
  ws.QueueCall([&] { EXPECT_TRUE(ws.WaitFor([&] { return ws.AtGate() == 1; })); });
  ws.QueueClose(ids::MainDialog);
  ASSERT_EQ(Run(paused), 0);

  const std::vector<CallRecord> started = ws.Calls("BeginThread");
  ASSERT_EQ(started.size(), 2u);  // the job and its ticker
  for (const CallRecord& thread : started) {
    bool joined = false;
    for (const CallRecord& join : ws.Calls("JoinThread")) {
      joined |= join.args == std::vector<intptr_t>{thread.result} && join.result == TRUE;
    }
    EXPECT_TRUE(joined) << "thread " << thread.result;
  }
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in.txt"});
  EXPECT_THAT(ws.Calls("MessageBoxW"), IsEmpty());
}

}  // namespace
}  // namespace tavrinole::test_support
