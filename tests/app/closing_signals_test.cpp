// The Linux program meets a terminating signal or a file-size limit: a signal ends it as
// closing its window does, whatever is open, and leaves nothing of a job behind; a
// file-size limit is a write failure like any other.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "resources/texts.h"
#include "tests/app/linux_program_fixture.h"

namespace tavrinole::test_support {
namespace {

namespace fs = std::filesystem;

class LinuxProgramSignals : public LinuxProgramTest {
 protected:
  // Runs the program; should the signal close nothing, the user does after a while, so
  // that the test fails instead of hanging.
  int Run(std::function<void()> steps) {
    QTimer fallback;
    fallback.callOnTimeout([this] {
      closedByHand = true;
      if (QMessageBox* box = ShownBox()) KeyAsUser(box, Qt::Key_Escape);
      for (const int id : {ids::HelpDialog, ids::MainDialog}) {
        if (HWND dialog = ws.OpenDialog(id)) CloseAsUser(ws.Widget(dialog));
      }
    });
    fallback.start(10000);
    return RunProgram(std::move(steps));
  }

  bool closedByHand = false;
};

// Help open over the main dialog and a job under way: both windows close, the job stops
// and its document never appears, and the status says a signal ended the program.
TEST_F(LinuxProgramSignals, ASignalMidJobClosesEveryWindowAndLeavesNothing) {
  WriteBytes(folder / "big", {});
  fs::resize_file(folder / "big", uint64_t{3} << 30);
  bool helpOpen = false;
  const int status = Run([&] {
    ChooseFiles("big", "secret");
    Type(u"TIGER");
    Click(ids::RunButton);
    Later([&] {
      helpOpen = ws.OpenDialog(ids::HelpDialog) != nullptr;
      ::raise(SIGTERM);
    });
    Click(ids::HelpButton);  // returns once Help has closed
  });
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(closedByHand);
  EXPECT_TRUE(helpOpen);
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"big", "letter.txt"}));
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);  // given back for whatever runs next
}

// "Confirm Save As" open: it answers No, so the existing file stays as it was.
TEST_F(LinuxProgramSignals, ASignalAtAQuestionAnswersNoAndReplacesNothing) {
  WriteBytes(folder / "out.txt", Bytes(9, 9));
  QString caption;
  ws.OnMessageBoxShown([&](QMessageBox& box) {
    caption = box.windowTitle();
    ::raise(SIGINT);
  });
  const int status = Run([&] {
    ChooseFiles("letter.txt", "out");
    Type(u"TIGER");
    Click(ids::RunButton);
  });
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(closedByHand);
  EXPECT_EQ(caption, QStringLiteral("Confirm Save As"));
  EXPECT_EQ(ReadBytes(folder / "out.txt"), Bytes(9, 9));
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"letter.txt", "out.txt"}));
}

// Past the limit the write fails: the user is told, nothing is left, and the program
// is still there to be closed.
TEST_F(LinuxProgramSignals, AFileSizeLimitIsAWriteFailure) {
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 100000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  QString caption, text;
  ws.OnMessageBoxShown([&](QMessageBox& box) {
    caption = box.windowTitle();
    text = box.text();
    KeyAsUser(&box, Qt::Key_Return);
  });
  const int status = Run([&] {
    ChooseFiles("letter.txt", "out");
    Type(u"TIGER");
    Click(ids::RunButton);
  });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(caption, QString::fromUtf16(resources::WarningCaption));
  EXPECT_EQ(text, QString::fromUtf16(resources::CantWrite));
  EXPECT_EQ(folder.Names(), std::set<std::string>{"letter.txt"});
}

}  // namespace
}  // namespace tavrinole::test_support
