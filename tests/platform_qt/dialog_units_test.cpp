#include "platform/qt/dialog_units.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "platform/qt/qt_window_system.h"
#include "qt_driver.h"
#include "qt_probe.h"

namespace tavrinole::test_support {
namespace {

using qt::BaseUnits;

TEST(DialogUnitsTest, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(qt::MulDiv(10, 7, 4), 18);  // 17.5
  EXPECT_EQ(qt::MulDiv(9, 7, 4), 16);   // 15.75
  EXPECT_EQ(qt::MulDiv(-10, 7, 4), -18);
  EXPECT_EQ(qt::MulDiv(5, 3, 4), 4);   // 3.75
  EXPECT_EQ(qt::MulDiv(1, 1, 0), -1);  // as Windows answers a zero divisor
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheAlphabetAndTheCellHeight) {
  // Windows' own example font: 52 letters 338 pixels wide give (13 + 1) / 2 = 7.
  EXPECT_EQ(qt::BaseUnitsFrom(338, 16), (BaseUnits{7, 16}));
  EXPECT_EQ(qt::BaseUnitsFrom(311, 13), (BaseUnits{6, 13}));  // 311 / 26 = 11, (11 + 1) / 2
}

TEST(DialogUnitsTest, PlacesScaleByAQuarterAndAnEighthOfTheBaseUnits) {
  const QRect run = qt::ToPixels({104, 136, 56, 24}, BaseUnits{7, 16});
  EXPECT_EQ(run, QRect(182, 272, 98, 48));
}

TEST(DialogUnitsTest, FontsAreTenPointSansSerifWhereTheFaceIsMissing) {
  const QFont font = qt::FontFor(resources::ShellFont);
  EXPECT_EQ(font.pointSize(), 10);
  EXPECT_EQ(font.families().first(), QStringLiteral("MS Shell Dlg"));
  EXPECT_FALSE(QFontMetrics(font).height() == 0);
}

TEST(DialogUnitsTest, DialogsAndControlsStandWhereTheirTemplateSays) {
  qt::QtWindowSystem ws;
  Probe probe(ws);
  QRect client, run, help;
  BaseUnits units;
  Later([&] {
    HWND dialog = ws.OpenDialog(MainId);
    QWidget* widget = ws.Widget(dialog);
    units = qt::BaseUnitsOf(widget->font());
    client = widget->geometry();
    run = ControlOf(ws, dialog, RunButton)->geometry();
    Later([&] {
      QWidget* info = ws.Widget(ws.OpenDialog(InfoId));
      help = info->geometry();
      CloseAsUser(info);
    });
    ClickAsUser(ControlOf(ws, dialog, HelpButton));
    CloseAsUser(widget);
  });
  ASSERT_EQ(probe.RunMain(), 7);
  ASSERT_GT(units.X, 0);
  EXPECT_EQ(client.size(), qt::ToPixels({0, 0, 150, 80}, units).size());
  EXPECT_EQ(client.topLeft(), qt::ToPixels({6, 18, 0, 0}, units).topLeft());
  EXPECT_EQ(run, qt::ToPixels({4, 36, 40, 14}, units));
  // Info at (6, 18) from the main dialog's client origin, in its own font's units.
  const QFont tahoma = qt::FontFor(resources::TahomaFont);
  EXPECT_EQ(help.topLeft(),
            client.topLeft() + qt::ToPixels({6, 18, 0, 0}, qt::BaseUnitsOf(tahoma)).topLeft());
}

}  // namespace
}  // namespace tavrinole::test_support
