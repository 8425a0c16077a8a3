// Dialogs from templates: messages to the procedure, keys, closing, modal owners and
// handles that go stale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "qt_driver.h"
#include "qt_probe.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class QtDialogTest : public ::testing::Test {
 protected:
  qt::QtWindowSystem ws;
  Probe probe{ws};

  HWND Main() const { return ws.OpenDialog(MainId); }
  QWidget* Control(int id) { return ControlOf(ws, Main(), id); }

  // Runs the main dialog with `steps` played inside its loop; they must close it.
  INT_PTR RunMainWith(std::function<void()> steps) {
    Later(std::move(steps));
    return probe.RunMain(42);
  }
};

TEST_F(QtDialogTest, ControlsAreBuiltFromTheTemplateAndKeptById) {
  RunMainWith([&] {
    HWND main = Main();
    EXPECT_EQ(TextOf(ws, ws.GetDlgItem(main, HelpButton)), u"Help");
    EXPECT_EQ(TextOf(ws, main), u"Probe");
    EXPECT_TRUE(ws.IsWindowEnabled(ws.GetDlgItem(main, OpenButton)));
    EXPECT_FALSE(ws.IsWindowEnabled(ws.GetDlgItem(main, RunButton)));
    EXPECT_EQ(ws.GetDlgItem(main, 999), nullptr);
    // Labels show their text as it is: no mnemonic, no markup.
    auto* label = qobject_cast<QLabel*>(Control(Label));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("a & <b>"));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    auto* path = qobject_cast<QLabel*>(Control(PathLabel));
    EXPECT_FALSE(path->wordWrap());
    EXPECT_EQ(path->frameShape(), QFrame::Box);
    EXPECT_TRUE(label->wordWrap());
    CloseAsUser(ws.Widget(main));
  });
}

TEST_F(QtDialogTest, ClicksSendTheirIdAndDisabledControlsSendNothing) {
  RunMainWith([&] {
    ClickAsUser(Control(OpenButton));
    ClickAsUser(Control(RunButton));  // disabled in the template
    EXPECT_EQ(ws.EnableWindow(ws.GetDlgItem(Main(), RunButton), TRUE), TRUE);  // was disabled
    ClickAsUser(Control(RunButton));
    ws.EnableWindow(Main(), FALSE);  // a disabled dialog takes no input at all
    ClickAsUser(Control(OpenButton));
    ws.EnableWindow(Main(), TRUE);
    CloseAsUser(ws.Widget(Main()));
  });
  EXPECT_THAT(probe.Commands(), ElementsAre(OpenButton, RunButton));
}

TEST_F(QtDialogTest, TheCheckBoxHasToggledWhenItsCommandArrives) {
  RunMainWith([&] {
    ClickAsUser(Control(ShowCheck));
    ClickAsUser(Control(ShowCheck));
    CloseAsUser(ws.Widget(Main()));
  });
  const auto commands = probe.Received(WM_COMMAND);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].check, BST_CHECKED);
  EXPECT_EQ(commands[1].check, BST_UNCHECKED);
}

TEST_F(QtDialogTest, EscAndEnterReachTheProcedureAndCloseNothing) {
  bool stillOpen = false;
  RunMainWith([&] {
    QWidget* main = ws.Widget(Main());
    EXPECT_EQ(main->focusWidget(), Control(HelpButton));  // the first tab stop
    KeyAsUser(main, Qt::Key_Escape);
    Control(ShowCheck)->setFocus();
    KeyAsUser(main, Qt::Key_Return);  // no push button focused: IDOK
    Control(OpenButton)->setFocus();
    KeyAsUser(main, Qt::Key_Return);  // the focused button's own command
    stillOpen = main->isVisible() && Main() != nullptr;
    CloseAsUser(main);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_THAT(probe.Commands(), ElementsAre(IDCANCEL, IDOK, OpenButton));
}

TEST_F(QtDialogTest, TabFollowsTheTemplateAndSkipsDisabledControls) {
  std::vector<QWidget*> visited;
  RunMainWith([&] {
    QWidget* main = ws.Widget(Main());
    for (int i = 0; i < 4; ++i) {
      KeyAsUser(main, Qt::Key_Tab);
      visited.push_back(main->focusWidget());
    }
    EXPECT_THAT(visited, ElementsAre(Control(OpenButton), Control(ShowCheck), Control(HelpButton),
                                     Control(OpenButton)));
    CloseAsUser(main);
  });
}

// Whether the owner counts as disabled meanwhile is the contract suite's; here, that Qt
// blocks it through window modality, so a user's click reaches it only afterwards, and
// that the owned dialog takes its own keys.
TEST_F(QtDialogTest, AnOwnedDialogIsWindowModalAndItsOwnerTakesNoClicksMeanwhile) {
  bool infoModal = false, infoShownAfterKeys = false;
  RunMainWith([&] {
    Later([&] {
      QWidget* infoWidget = ws.Widget(ws.OpenDialog(InfoId));
      infoModal = infoWidget->windowModality() == Qt::WindowModal;
      ClickAsUser(Control(OpenButton));  // blocked: the owner takes no input
      KeyAsUser(infoWidget, Qt::Key_Escape);
      KeyAsUser(infoWidget, Qt::Key_Return);
      infoShownAfterKeys = infoWidget->isVisible();
      CloseAsUser(infoWidget);
    });
    ClickAsUser(Control(HelpButton));
    ClickAsUser(Control(OpenButton));
    CloseAsUser(ws.Widget(Main()));
  });
  EXPECT_TRUE(infoModal);
  EXPECT_TRUE(infoShownAfterKeys);
  // Help's command, Info's Esc and Enter, then Open once Info has gone.
  EXPECT_THAT(probe.Commands(), ElementsAre(HelpButton, IDCANCEL, IDOK, OpenButton));
}

TEST_F(QtDialogTest, UnknownTemplatesAndStaleOwnersCannotBeRun) {
  EXPECT_EQ(ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4444), nullptr, Probe::Proc, 0), -1);
  HWND main = nullptr;
  RunMainWith([&] {
    main = Main();
    CloseAsUser(ws.Widget(main));
  });
  EXPECT_EQ(probe.RunInfo(main), -1);
}

TEST_F(QtDialogTest, TheRegisteredClassGivesTheDialogItsIcon) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  ASSERT_NE(ws.GetClassInfoExW(nullptr, WC_DIALOG, &info), FALSE);
  EXPECT_EQ(ws.LoadImageW(nullptr, MAKEINTRESOURCEW(1234), IMAGE_ICON, 48, 48, 0), nullptr);
  info.hIcon = static_cast<HICON>(ws.LoadImageW(nullptr, MAKEINTRESOURCEW(ids::ProgramIcon),
                                                IMAGE_ICON, 48, 48, LR_CREATEDIBSECTION));
  ASSERT_NE(info.hIcon, nullptr);
  info.lpszClassName = WTEXT("TavrinolClass");
  EXPECT_NE(ws.RegisterClassExW(&info), 0);
  EXPECT_EQ(ws.RegisterClassExW(&info), 0);  // already there
  QIcon icon;
  RunMainWith([&] {
    icon = ws.Widget(Main())->windowIcon();
    CloseAsUser(ws.Widget(Main()));
  });
  EXPECT_EQ(icon.pixmap(48, 48).size(), QSize(48, 48));
  EXPECT_EQ(icon.availableSizes().size(), 4);
}

}  // namespace
}  // namespace tavrinole::test_support
