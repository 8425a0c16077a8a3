// The encoding job on the scripted window system, with real files in a fresh folder.
#include "ui/encoding_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/file_transform.h"
#include "engine/password.h"
#include "engine/reference_model.h"
#include "platform/scripted/scripted_window_system.h"
#include "resources/dialog_templates.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/paused_reads.h"
#include "tests/support/reference_mixed.h"
#include "tests/support/temp_folder.h"

namespace tavrinole {
namespace {

using test_support::Bytes;
using test_support::Faults;
using test_support::FaultyFileSystem;
using test_support::PausedReads;
using test_support::RandomBytes;
using test_support::ReadBytes;
using test_support::ServeUntilEnded;
using test_support::TempFolder;
using test_support::WriteBytes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int StatusId = ids::PasswordDisplay;
const std::vector<int32_t> kPresses{5, 5, 5, 5, 5, 12, 38};

INT_PTR CALLBACK QuietProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

WString W(std::u16string_view text) {
  return WString(text.begin(), text.end());
}

Bytes Reference(Bytes data) {
  return test_support::ReferenceMixed(std::move(data), kPresses);
}

class Job : public ::testing::Test {
 protected:
  void SetUp() override {
    ws.RegisterTemplates(resources::DialogTemplates);
    dialog = ws.OpenDialog(ids::MainDialog, nullptr, QuietProc, 0);
    status = ws.GetDlgItem(dialog, StatusId);
  }

  // With consent to replace, as after "Yes" to "Confirm Save As".
  JobRequest Request(const std::string& in = "in", const std::string& out = "out") {
    return {folder.Wide(in), folder.Wide(out), SlotsFromPresses(kPresses), dialog, status, true};
  }

  // Serves the job's requests until it has ended the dialog, then joins it.
  void RunToEnd(EncodingJob& job) {
    ServeUntilEnded(ws, dialog);
    job.Join();
    ASSERT_TRUE(ws.State(dialog).ended);
    EXPECT_EQ(ws.State(dialog).result, 0);
    EXPECT_FALSE(job.TickerShouldRun());
  }

  void Run(FileSystem& files) {
    EncodingJob job(ws, files);
    ASSERT_TRUE(job.Start(Request()));
    RunToEnd(job);
  }

  std::vector<CallRecord> Boxes() const { return ws.Calls("MessageBoxW"); }

  TempFolder folder;
  ScriptedWindowSystem ws;
  FaultyFileSystem files;
  HWND dialog = nullptr;
  HWND status = nullptr;
};

TEST_F(Job, RefusesInputsUnderFourBytesAndEndsTheDialog) {
  for (size_t size = 0; size < 4; ++size) {
    WriteBytes(folder / "in", Bytes(size, 0x41));
    ScriptedWindowSystem fresh;
    fresh.RegisterTemplates(resources::DialogTemplates);
    dialog = fresh.OpenDialog(ids::MainDialog, nullptr, QuietProc, 0);
    EncodingJob job(fresh, files);
    ASSERT_TRUE(job.Start(Request()));
    ServeUntilEnded(fresh, dialog);
    job.Join();
    EXPECT_TRUE(fresh.State(dialog).ended);
    const std::vector<CallRecord> boxes = fresh.Calls("MessageBoxW");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W(u"Please open the bigger file"));
    EXPECT_EQ(boxes[0].caption, W(u"A small file"));
    EXPECT_EQ(boxes[0].window, nullptr);
    EXPECT_THAT(fresh.TextsSet(fresh.GetDlgItem(dialog, StatusId)), IsEmpty());
    EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
  }
}

TEST_F(Job, RefusesFourGibibytesLikeASmallFile) {
  WriteBytes(folder / "in", {});
  std::filesystem::resize_file(folder / "in", uint64_t{1} << 32);
  Run(files);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, W(u"Please open the smaller file"));
  EXPECT_EQ(Boxes()[0].caption, W(u"A big file"));
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

TEST_F(Job, WritesTheDocumentThenFinishesWithTheClosingMessage) {
  for (size_t size : {size_t{4}, size_t{64000}, size_t{64001}, size_t{1000000}}) {
    ScriptedWindowSystem fresh;
    fresh.RegisterTemplates(resources::DialogTemplates);
    dialog = fresh.OpenDialog(ids::MainDialog, nullptr, QuietProc, 0);
    status = fresh.GetDlgItem(dialog, StatusId);
    const Bytes original = RandomBytes(size, static_cast<uint32_t>(size));
    WriteBytes(folder / "in", original);
    WriteBytes(folder / "out", Bytes(size + 5000, 0xEE));  // longer: replaced completely

    EncodingJob job(fresh, files);
    ASSERT_TRUE(job.Start(Request()));
    ServeUntilEnded(fresh, dialog);
    job.Join();

    EXPECT_EQ(ReadBytes(folder / "out"), Reference(original)) << size;
    const std::vector<WString> texts = fresh.TextsSet(status);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts.front(), W(resources::PleaseWait));
    EXPECT_EQ(texts.back(), W(resources::Finish));
    const std::vector<CallRecord> boxes = fresh.Calls("MessageBoxW");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].window, dialog);
    EXPECT_EQ(boxes[0].caption, W(u" Closing......"));
    EXPECT_EQ(boxes[0].args.at(0), static_cast<intptr_t>(MB_OK));
    EXPECT_TRUE(fresh.State(dialog).ended);
    EXPECT_EQ(fresh.State(dialog).result, 0);
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
    EXPECT_THAT(fresh.Problems(), IsEmpty());
  }
}

TEST_F(Job, ClosingMessageHasItsFiveLines) {
  const WString text = W(resources::Closing);
  std::vector<WString> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find(u'\n', start)) != WString::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  lines.push_back(text.substr(start));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(text.find(u'\r'), WString::npos);
  EXPECT_EQ(lines[0], W(u"\t\tThis is Tavrinole-Ochrel "));
  EXPECT_EQ(
      lines[1].rfind(W(u" It is important that you use the same Tavrinole  \"colour\" for"), 0),
      0u);
  EXPECT_NE(lines[1].find(W(u"one more time.Please save")), WString::npos);
  EXPECT_EQ(lines[2], W(u" \tSupport future development - visit www.tavrinole.example"));
  EXPECT_EQ(lines[3], W(u" \t\tThank you for using Tavrinole."));
  EXPECT_EQ(lines[4], W(u"\t\t    Program will exit"));
}

// The ticker's own step, phase by phase: the three texts in order with an alertable
// half-second wait after each, and back to the first after the sixth phase.
TEST(TickerStep, ShowsEachTextThenWaitsHalfASecondAndWraps) {
  const char16_t* texts[] = {u"Running: 0101010101010", u"Running: 1110001110101",
                             u"Running: 1010101010011"};
  for (int32_t phase = 0; phase < 6; ++phase) {
    const TickerStep step = TickerStepFor(phase);
    SCOPED_TRACE(phase);
    EXPECT_EQ(step.Next, phase == 5 ? 0 : phase + 1);
    if (phase % 2 == 0) {
      ASSERT_FALSE(step.Text.empty());
      EXPECT_EQ(W(step.Text), W(texts[phase / 2]));
    } else {
      EXPECT_TRUE(step.Text.empty());
      EXPECT_EQ(step.SleepMs, 500u);
    }
  }
}

// While the job is held in its first read the ticker has shown its first text and waits,
// alertably, for its next step; "Finish" comes only after the ticker has stopped.
TEST_F(Job, TheTickerRunsWhileTheJobWorksAndFinishComesLast) {
  WriteBytes(folder / "in", RandomBytes(70000, 8));
  PausedReads slow(files, ws, true);
  EncodingJob job(ws, slow);
  ASSERT_TRUE(job.Start(Request()));
  ASSERT_TRUE(ws.WaitFor([&] { return ws.AtGate() == 1 && ws.TextsSet(status).size() == 2; }));
  EXPECT_THAT(ws.TextsSet(status), ElementsAre(W(resources::PleaseWait), W(resources::Ticker0)));
  ws.OpenGate();
  RunToEnd(job);

  const std::vector<WString> texts = ws.TextsSet(status);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts.back(), W(resources::Finish));
  const std::u16string_view tickerTexts[] = {resources::Ticker0, resources::Ticker1,
                                             resources::Ticker2};
  for (size_t i = 1; i + 1 < texts.size(); ++i) {
    EXPECT_EQ(texts[i], W(tickerTexts[(i - 1) % 3])) << i;
  }
  const std::thread::id ticker = ws.Calls("SetWindowTextW").at(1).thread;
  for (const CallRecord& sleep : ws.Calls("SleepEx")) {
    if (sleep.thread == ticker) {
      EXPECT_EQ(sleep.args, (std::vector<intptr_t>{500, TRUE}));
    }
  }
  EXPECT_EQ(ReadBytes(folder / "out"), Reference(ReadBytes(folder / "in")));
}

TEST_F(Job, ClosingTheDialogCancelsBetweenBlocksAndLeavesNothing) {
  WriteBytes(folder / "in", RandomBytes(3 * ChunkBytes, 9));
  PausedReads slow(files, ws, true);
  EncodingJob job(ws, slow);
  ASSERT_TRUE(job.Start(Request()));
  ASSERT_TRUE(ws.WaitFor([&] { return ws.AtGate() == 1; }));
  job.Cancel();
  ws.OpenGate();
  RunToEnd(job);
  EXPECT_THAT(Boxes(), IsEmpty());
  EXPECT_NE(ws.TextsSet(status).back(), W(resources::Finish));
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

// A close that comes while the finished document is put in place does not stop it, but
// nobody is left to tell: no "Finish", no closing message.
TEST_F(Job, ClosingWhileTheDocumentIsPublishedEndsWithoutTheClosingMessage) {
  const Bytes original = RandomBytes(5000, 13);
  WriteBytes(folder / "in", original);
  EncodingJob job(ws, files);
  files.Set().BeforePublish = [&] { job.Cancel(); };
  ASSERT_TRUE(job.Start(Request()));
  RunToEnd(job);
  EXPECT_THAT(Boxes(), IsEmpty());
  EXPECT_NE(ws.TextsSet(status).back(), W(resources::Finish));
  EXPECT_EQ(ReadBytes(folder / "out"), Reference(original));
}

// Every failure: its box with no owner, no "Finish", no closing message, the dialog
// ended with 0, and the folder as it was.
struct FailureCase {
  const char* name;
  void (*arrange)(Faults&, const TempFolder&);
  const char16_t* text;
};

class JobFailure : public Job, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(JobFailure, ShowsItsMessageAndEndsLikeASmallFile) {
  const Bytes original = RandomBytes(2 * ChunkBytes + 3, 10);
  WriteBytes(folder / "in", original);
  WriteBytes(folder / "out", Bytes(10, 1));
  GetParam().arrange(files.Set(), folder);
  Run(files);

  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, W(GetParam().text));
  EXPECT_EQ(Boxes()[0].caption, W(u"Warring"));
  EXPECT_EQ(Boxes()[0].window, nullptr);
  const std::vector<WString> texts = ws.TextsSet(status);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), W(resources::Finish)), 0);
  EXPECT_EQ(ReadBytes(folder / "in"), original);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(10, 1));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

const FailureCase kFailures[] = {
    {"MeasureOpen", [](Faults& f, const TempFolder&) { f.FailOpenForReadingCall = 1; },
     u"Can't open file 22DD"},
    {"Reopen", [](Faults& f, const TempFolder&) { f.FailOpenForReadingCall = 2; },
     u"Can't open file 44"},
    {"Create", [](Faults& f, const TempFolder&) { f.FailCreateNew = true; },
     u"Can't open file-save 4477"},
    {"RewindOutput", [](Faults& f, const TempFolder&) { f.FailRewind = true; },
     u"Can't open file-save in binarytext"},
    {"ReadError", [](Faults& f, const TempFolder&) { f.ReadErrorAfter = ChunkBytes; },
     u"Can't read the file"},
    {"DiskFull", [](Faults& f, const TempFolder&) { f.WriteErrorAfter = 100; },
     u"Can't write the new document"},
    {"Flush", [](Faults& f, const TempFolder&) { f.FailFlush = true; },
     u"Can't finish the new document"},
    {"Move", [](Faults& f, const TempFolder&) { f.FailReplace = true; },
     u"Can't save the new document"},
    {"Shrank", [](Faults& f, const TempFolder&) { f.ContentChangeOnReopen = -1; },
     u"The file changed while it was read"},
    {"Grew", [](Faults& f, const TempFolder&) { f.ContentChangeOnReopen = 1; },
     u"The file changed while it was read"},
    {"SameFile",
     [](Faults& f, const TempFolder& d) { f.SameFileAs.emplace(d.Wide("out"), d.Wide("in")); },
     u"The new document can't replace the original"},
};

// Without consent nothing is replaced, not even a file that appears while the job runs.
TEST_F(Job, AFileThatAppearsAtTheNameIsKeptAndTheJobFails) {
  WriteBytes(folder / "in", RandomBytes(5000, 11));
  files.Set().BeforePublish = [&] { WriteBytes(folder / "out", Bytes(10, 1)); };
  JobRequest request = Request();
  request.MayReplace = false;
  EncodingJob job(ws, files);
  ASSERT_TRUE(job.Start(request));
  RunToEnd(job);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, W(u"Another file has taken the new document's name; it was kept"));
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(10, 1));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "out"}));
}

TEST_F(Job, ClosingFailsAfterPublishingShowsItsMessage) {
  WriteBytes(folder / "in", RandomBytes(5000, 12));
  files.Set().FailClose = true;
  Run(files);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, W(u"Can't finish the new document"));
}

INSTANTIATE_TEST_SUITE_P(Each, JobFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrinole
