// Two Win32 rules the Qt dialogs follow: an ended dialog leaves the screen at once,
// whatever loop is still running above it; and the default button, drawn and pressed
// by Enter, is the focused push button, otherwise the template's default.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QPushButton>
#include <thread>

#include "qt_driver.h"
#include "qt_probe.h"

namespace tavrinole::testing {
namespace {

using ::testing::ElementsAre;

constexpr int DefaultId = 603;
constexpr int OkButton = 21;
constexpr int OtherButton = 22;

// clang-format off
constexpr std::array<resources::ControlTemplate, 3> DefaultControls = {{
  { OtherButton, ControlKind::PushButton,   u"Other", {  4,  4, 40, 14 }, resources::PushStyle },
  { OkButton,    ControlKind::PushButton,   u"OK",    {  4, 20, 40, 14 }, resources::PushStyle | resources::BS_DEFPUSHBUTTON },
  { ShowCheck,   ControlKind::AutoCheckBox, u"Show",  {  4, 36, 60, 10 }, resources::CheckStyle },
}};
constexpr std::array<resources::DialogTemplate, 1> DefaultTemplates = {{
  { DefaultId, resources::MainDialogStyle, { 6, 18, 100, 60 }, u"", u"Default", resources::ShellFont, DefaultControls },
}};
// clang-format on

class QtDialogRules : public ::testing::Test {
 protected:
  qt::QtWindowSystem ws;
  Probe probe{ws};

  HWND Main() const { return ws.OpenDialog(MainId); }
  QWidget* Control(int id) { return ControlOf(ws, Main(), id); }

  // The ids of the push buttons of `dialog` drawn as default.
  std::vector<int> Defaults(HWND dialog) {
    std::vector<int> ids;
    for (int id : {HelpButton, OpenButton, RunButton, OkButton, OtherButton}) {
      auto* button = qobject_cast<QPushButton*>(ControlOf(ws, dialog, id));
      if (button != nullptr && button->isDefault()) ids.push_back(id);
    }
    return ids;
  }

  // Focus moves, and the default with it, in the active window, as under the user.
  static void Activate(QWidget* window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
  }

  // An OK box over the main dialog, answered by the user from inside its loop.
  void BoxOverMain() {
    Later([] {
      QMessageBox* box = nullptr;
      if (WaitFor([&] { return (box = ShownBox()) != nullptr; })) KeyAsUser(box, Qt::Key_Return);
    });
    ws.MessageBoxW(Main(), WTEXT("text"), WTEXT("caption"), MB_OK);
    Activate(ws.Widget(Main()));
  }
};

TEST_F(QtDialogRules, AnEndedDialogHidesAtOnceWhileAFileDialogStaysOpen) {
  // The close box, and a worker ending the dialog as the job does at its end.
  const std::function<void()> enders[] = {
      [&] { CloseAsUser(ws.Widget(Main())); },
      [&] {
        std::thread worker([&, main = Main()] { ws.EndDialog(main, 7); });
        worker.join();
      },
  };
  for (const auto& end : enders) {
    bool mainShownBefore = false, mainShownAfter = true, fileDialogShownAfter = false;
    ws.OnFileDialogShown([&](QFileDialog& dialog) {
      QWidget* main = ws.Widget(Main());
      mainShownBefore = main->isVisible();
      end();
      (void)WaitFor([&] { return !main->isVisible(); }, 2000);
      mainShownAfter = main->isVisible();
      fileDialogShownAfter = dialog.isVisible();
      KeyAsUser(&dialog, Qt::Key_Escape);
    });
    probe.onCommand = [&](HWND, WORD id) {
      if (id != OpenButton) return;
      WCHAR buffer[260] = {};
      OPENFILENAMEW record{};
      record.lStructSize = sizeof record;
      record.lpstrFile = buffer;
      record.nMaxFile = 260;
      (void)ws.GetOpenFileNameW(&record);
    };
    Later([&] { ClickAsUser(Control(OpenButton)); });
    EXPECT_EQ(probe.RunMain(), 7);
    EXPECT_TRUE(mainShownBefore);
    EXPECT_FALSE(mainShownAfter) << "the ended dialog stayed on screen";
    EXPECT_TRUE(fileDialogShownAfter);
  }
}

// As on Windows, hiding an owner leaves its owned dialog on screen and usable.
TEST_F(QtDialogRules, AnOwnedDialogStaysUsableWhenItsEndedOwnerHides) {
  bool mainShown = true, infoShown = false;
  Later([&] {
    Later([&] {
      QWidget* info = ws.Widget(ws.OpenDialog(InfoId));
      std::thread worker([&, main = Main()] { ws.EndDialog(main, 7); });
      worker.join();
      (void)WaitFor([&] { return !ws.Widget(Main())->isVisible(); }, 2000);
      mainShown = ws.Widget(Main())->isVisible();
      infoShown = info->isVisible();
      CloseAsUser(info);
    });
    ClickAsUser(Control(HelpButton));
  });
  EXPECT_EQ(probe.RunMain(), 7);
  EXPECT_FALSE(mainShown);
  EXPECT_TRUE(infoShown);
  EXPECT_EQ(probe.Received(WM_CLOSE).size(), 1u);  // the Info dialog's, from the user
}

TEST_F(QtDialogRules, TheFocusedPushButtonIsTheDefaultAndNothingElseWithoutATemplateDefault) {
  std::vector<std::vector<int>> defaults;
  Later([&] {
    QWidget* main = ws.Widget(Main());
    Activate(main);
    defaults.push_back(Defaults(Main()));  // Help has the focus at the start
    Control(ShowCheck)->setFocus();
    defaults.push_back(Defaults(Main()));
    KeyAsUser(main, Qt::Key_Return);  // IDOK: no button is the default
    Control(OpenButton)->setFocus();
    defaults.push_back(Defaults(Main()));
    BoxOverMain();
    defaults.push_back(Defaults(Main()));
    KeyAsUser(main, Qt::Key_Return);  // Open, the focused button, as drawn
    Control(ShowCheck)->setFocus();
    BoxOverMain();
    defaults.push_back(Defaults(Main()));
    KeyAsUser(main, Qt::Key_Return);
    CloseAsUser(main);
  });
  probe.RunMain();
  EXPECT_THAT(defaults, ElementsAre(ElementsAre(HelpButton), ElementsAre(), ElementsAre(OpenButton),
                                    ElementsAre(OpenButton), ElementsAre()));
  EXPECT_THAT(probe.Commands(), ElementsAre(IDOK, OpenButton, IDOK));
}

TEST_F(QtDialogRules, WithoutAFocusedPushButtonTheTemplatesDefaultTakesEnter) {
  ws.RegisterTemplates(DefaultTemplates);
  std::vector<std::vector<int>> defaults;
  Later([&] {
    HWND dialog = ws.OpenDialog(DefaultId);
    QWidget* window = ws.Widget(dialog);
    Activate(window);
    defaults.push_back(Defaults(dialog));  // "Other", the first tab stop, has the focus
    KeyAsUser(window, Qt::Key_Return);
    ControlOf(ws, dialog, ShowCheck)->setFocus();
    defaults.push_back(Defaults(dialog));
    KeyAsUser(window, Qt::Key_Return);
    CloseAsUser(window);
  });
  ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(DefaultId), nullptr, Probe::Proc, 0);
  EXPECT_THAT(defaults, ElementsAre(ElementsAre(OtherButton), ElementsAre(OkButton)));
  EXPECT_THAT(probe.Commands(), ElementsAre(OtherButton, OkButton));
}

}  // namespace
}  // namespace tavrinole::testing
