// Message boxes, above all from a worker: only the worker waits, and only an owner is
// disabled.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <atomic>

#include "qt_driver.h"
#include "qt_probe.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;

struct BoxRequest {
  qt::QtWindowSystem* ws;
  HWND owner = nullptr;
  UINT type = MB_OK;
  std::atomic<int> result{-100};
};

void ShowBoxFromWorker(void* argument) {
  auto* request = static_cast<BoxRequest*>(argument);
  request->result = request->ws->MessageBoxW(request->owner, WTEXT("line one\n\tline two"),
                                             WTEXT(" Closing......"), request->type);
}

class QtBoxTest : public ::testing::Test {
 protected:
  qt::QtWindowSystem ws;
  Probe probe{ws};
  BoxRequest request{&ws};
  ThreadHandle worker = ThreadHandle::None;

  HWND Main() const { return ws.OpenDialog(MainId); }
  void StartWorker() { worker = ws.BeginThread(ShowBoxFromWorker, &request); }
  // Waits for the worker's box, runs `check` on it, and joins the worker.
  void WithBox(const std::function<void(QMessageBox&)>& check) {
    QMessageBox* box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ShownBox()) != nullptr; }));
    check(*box);
    ASSERT_EQ(ws.JoinThread(worker), TRUE);
  }
};

TEST_F(QtBoxTest, AWorkersBoxWithoutOwnerLeavesTheDialogUsable) {
  bool modal = true, hasIcon = true;
  QString text, caption;
  int buttons = 0;
  BOOL mainEnabled = FALSE;
  Later([&] {
    StartWorker();
    WithBox([&](QMessageBox& box) {
      modal = box.windowModality() != Qt::NonModal;
      hasIcon = box.icon() != QMessageBox::NoIcon;
      text = box.text();
      caption = box.windowTitle();
      buttons = static_cast<int>(box.buttons().size());
      mainEnabled = ws.IsWindowEnabled(Main());
      ClickAsUser(ControlOf(ws, Main(), OpenButton));  // the dialog still takes clicks
      EXPECT_EQ(request.result, -100);                 // while the worker waits
      KeyAsUser(&box, Qt::Key_Escape);
    });
    CloseAsUser(ws.Widget(Main()));
  });
  probe.RunMain();
  EXPECT_EQ(request.result, IDOK);
  EXPECT_FALSE(modal);
  EXPECT_FALSE(hasIcon);
  EXPECT_EQ(text, QStringLiteral("line one\n\tline two"));
  EXPECT_EQ(caption, QStringLiteral(" Closing......"));
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(mainEnabled, TRUE);
  EXPECT_THAT(probe.Commands(), ElementsAre(OpenButton));
}

TEST_F(QtBoxTest, AWorkersBoxOwnedByTheDialogDisablesItUntilAnswered) {
  BOOL enabledDuring = TRUE, enabledAfter = FALSE;
  bool windowModal = false;
  Later([&] {
    request.owner = Main();
    StartWorker();
    WithBox([&](QMessageBox& box) {
      windowModal = box.windowModality() == Qt::WindowModal;
      enabledDuring = ws.IsWindowEnabled(Main());
      ClickAsUser(ControlOf(ws, Main(), OpenButton));  // blocked
      KeyAsUser(&box, Qt::Key_Return);
    });
    enabledAfter = ws.IsWindowEnabled(Main());
    CloseAsUser(ws.Widget(Main()));
  });
  probe.RunMain();
  EXPECT_EQ(request.result, IDOK);
  EXPECT_TRUE(windowModal);
  EXPECT_EQ(enabledDuring, FALSE);
  EXPECT_EQ(enabledAfter, TRUE);
  EXPECT_TRUE(probe.Commands().empty());
}

TEST_F(QtBoxTest, AHelpDialogOpenedAboveTheBoxDoesNotHoldTheWorker) {
  int resultWhileInfoOpen = -100;
  Later([&] {
    StartWorker();
    QMessageBox* box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ShownBox()) != nullptr; }));
    Later([&] {
      QWidget* info = ws.Widget(ws.OpenDialog(InfoId));
      box->button(QMessageBox::Ok)->click();  // answered from inside Help's loop
      ASSERT_TRUE(WaitFor([&] { return request.result != -100; }));
      resultWhileInfoOpen = request.result;
      CloseAsUser(info);
    });
    ClickAsUser(ControlOf(ws, Main(), HelpButton));
    ASSERT_EQ(ws.JoinThread(worker), TRUE);
    CloseAsUser(ws.Widget(Main()));
  });
  probe.RunMain();
  EXPECT_EQ(resultWhileInfoOpen, IDOK);
}

TEST_F(QtBoxTest, TheCloseBoxAnswersAnOkBox) {
  Later([&] {
    StartWorker();
    WithBox([&](QMessageBox& box) { CloseAsUser(&box); });
    CloseAsUser(ws.Widget(Main()));
  });
  probe.RunMain();
  EXPECT_EQ(request.result, IDOK);
}

TEST_F(QtBoxTest, AWorkerWaitingOnABoxOfAnEndedDialogIsReleased) {
  Later([&] {
    request.owner = Main();
    StartWorker();
    QMessageBox* box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ShownBox()) != nullptr; }));
    ws.EndDialog(Main(), 0);  // as a job's cancel would, with the box still up
  });
  probe.RunMain();
  EXPECT_EQ(ws.JoinThread(worker), TRUE);
  EXPECT_EQ(request.result, 0);
  // An owner that is already gone: no box at all.
  EXPECT_EQ(ws.MessageBoxW(request.owner, WTEXT("t"), WTEXT("c"), MB_OK), 0);
}

TEST_F(QtBoxTest, YesNoBoxesOnTheGuiThreadAnswerWithTheButtonPressed) {
  ws.OnMessageBoxShown([](QMessageBox& box) {
    EXPECT_EQ(box.buttons().size(), 2);
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(ws.MessageBoxW(nullptr, WTEXT("replace?"), WTEXT("Confirm Save As"), MB_YESNO), IDNO);
  ws.AnswerNextMessageBox(IDYES);  // no window at all
  EXPECT_EQ(ws.MessageBoxW(nullptr, WTEXT("replace?"), WTEXT("Confirm Save As"), MB_YESNO), IDYES);
}

// One Enter must not replace a file: with MB_DEFBUTTON2 the default is No.
TEST_F(QtBoxTest, TheSecondButtonIsTheDefaultWhenAskedFor) {
  std::vector<QMessageBox::StandardButton> defaults;
  ws.OnMessageBoxShown([&](QMessageBox& box) {
    defaults.push_back(box.standardButton(box.defaultButton()));
    box.button(QMessageBox::No)->click();
  });
  (void)ws.MessageBoxW(nullptr, WTEXT("replace?"), WTEXT("Confirm Save As"), MB_YESNO);
  (void)ws.MessageBoxW(nullptr, WTEXT("replace?"), WTEXT("Confirm Save As"),
                       MB_YESNO | MB_DEFBUTTON2);
  EXPECT_EQ(defaults,
            (std::vector<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
}

}  // namespace
}  // namespace tavrinole::test_support
