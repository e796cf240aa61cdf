#include "components/month_picker.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

namespace chronolin {
namespace {

class MonthPickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picker.OnChange = [this](TMonthPicker&) { ++changes; };
  }

  QPoint CellCentre(int month) {
    const QRect r = picker.Grid().CellRect((month - 1) % 4, (month - 1) / 4);
    return r.center();
  }
  void Click(int month) {
    QTest::mouseClick(&picker.Grid(), Qt::LeftButton, {}, CellCentre(month));
  }
  void Key(Qt::Key key) { QTest::keyClick(&picker.Grid(), key); }

  TMonthPicker picker{nullptr, Regional::French()};
  int changes = 0;
};

TEST_F(MonthPickerTest, LayoutAndFrenchMonthNames) {
  EXPECT_EQ(picker.size(), QSize(160, 110));
  EXPECT_EQ(picker.TitlePanel().geometry(), QRect(8, 8, 144, 17));
  EXPECT_EQ(picker.NextYearButton().geometry(), QRect(122, 0, 22, 17));
  EXPECT_EQ(picker.Grid().geometry(), QRect(4, 33, 152, 74));
  EXPECT_EQ(picker.Grid().ColWidth(), 37);
  EXPECT_EQ(picker.Grid().RowHeight(), 24);
  // A long name of at most four letters stands as it is ("août" is four letters, five bytes).
  const char* expected[] = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                            "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
  for (int m = 1; m <= 12; ++m)
    EXPECT_EQ(picker.Grid().CellText(m), QString::fromUtf8(expected[m - 1]));
  EXPECT_EQ(picker.Grid().MonthAt(CellCentre(7)), 7);
}

TEST_F(MonthPickerTest, YearButtonsDisabledOnlyAtTheirLimit) {
  picker.SetYear(2005);
  picker.SetMinYear(2005);
  picker.SetMaxYear(2005);
  EXPECT_FALSE(picker.PrevYearButton().isEnabled());
  EXPECT_FALSE(picker.NextYearButton().isEnabled());
  // Below the lower limit the button still goes down: only equality disables it.
  picker.SetMaxYear(2007);
  picker.SetYear(2004);
  EXPECT_TRUE(picker.PrevYearButton().isEnabled());
  EXPECT_TRUE(picker.NextYearButton().isEnabled());
  // Limits set after the year was shown reach the buttons at once.
  picker.SetYear(2007);
  EXPECT_FALSE(picker.NextYearButton().isEnabled());
  picker.SetMaxYear(2010);
  EXPECT_TRUE(picker.NextYearButton().isEnabled());
}

TEST_F(MonthPickerTest, NotificationsOfYearAndMonthWrites) {
  picker.SetYear(2005);
  picker.SetMonth(3);
  picker.SetMinYear(2000);
  picker.SetMaxYear(2010);
  changes = 0;
  picker.SetYear(2005);
  picker.SetMonth(3);
  picker.SetMonth(0);
  picker.SetMonth(13);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(picker.Month(), 3);
  picker.SetYear(2006);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picker.YearLabel().text(), QStringLiteral("2006"));
  picker.SetMonth(5);
  EXPECT_EQ(changes, 2);
  // A year button: once for the year, once for the button's own refresh.
  changes = 0;
  QTest::mouseClick(&picker.PrevYearButton(), Qt::LeftButton);
  EXPECT_EQ(picker.Year(), 2005);
  EXPECT_EQ(changes, 2);
  // A failing handler leaves the year written.
  picker.OnChange = [](TMonthPicker&) { throw std::runtime_error("journal"); };
  picker.SetYear(2008);
  EXPECT_EQ(picker.Year(), 2008);
}

TEST_F(MonthPickerTest, GreyMonthsIgnoreMouseAndKeys) {
  picker.SetMonth(3);
  for (int m : {1, 2, 5, 6, 7, 8, 10, 11}) picker.SetMonthEnabled(m, false);
  changes = 0;
  Click(2);
  EXPECT_EQ(picker.Month(), 3);
  EXPECT_FALSE(picker.Grid().hasFocus());
  // An available month is chosen by the mouse without a notification.
  Click(9);
  EXPECT_EQ(picker.Month(), 9);
  EXPECT_EQ(changes, 0);
  // Arrows jump over grey months, along the row order or within the column.
  Key(Qt::Key_Left);
  EXPECT_EQ(picker.Month(), 4);
  Key(Qt::Key_Left);
  EXPECT_EQ(picker.Month(), 3);
  Key(Qt::Key_Left);  // nothing available before March
  EXPECT_EQ(picker.Month(), 3);
  Key(Qt::Key_Down);  // 7 is grey, 11 too: nothing below
  EXPECT_EQ(picker.Month(), 3);
  Key(Qt::Key_Right);
  EXPECT_EQ(picker.Month(), 4);
  Key(Qt::Key_Down);  // 8 grey, 12 available
  EXPECT_EQ(picker.Month(), 12);
  EXPECT_EQ(changes, 0);
}

TEST_F(MonthPickerTest, CellsDrawnInTheirColours) {
  picker.Colors().SetBackColor(QColor(226, 226, 255));
  picker.Colors().SetSelectedColor(QColor(178, 178, 255));
  picker.Colors().SetSelectedBorderColor(QColor(192, 192, 192));
  picker.Colors().SetTitleBackColor(QColor(114, 114, 255));
  picker.SetMonth(6);
  picker.SetMonthEnabled(1, false);
  const QImage image = picker.grab().toImage();
  const QPoint grid = picker.Grid().pos();
  const QRect selected = picker.Grid().CellRect(1, 1).translated(grid);
  // Selected cell: its colour inside, the silver cell frame one pixel in (below the line row).
  EXPECT_EQ(image.pixelColor(selected.left() + 3, selected.top() + 3), QColor(178, 178, 255));
  EXPECT_EQ(image.pixelColor(selected.left() + 1, selected.top() + 5), QColor(192, 192, 192));
  // The horizontal line between the first two rows, in the title back colour.
  EXPECT_EQ(image.pixelColor(grid.x() + 60, grid.y() + 24), QColor(114, 114, 255));
  // Title band and its line.
  EXPECT_EQ(image.pixelColor(5, 5), QColor(238, 238, 255));
  EXPECT_EQ(image.pixelColor(80, 30), QColor(208, 208, 255));
  // A grey month's text is grey, an available one's navy.
  auto hasColour = [&](QRect r, QColor c) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (image.pixelColor(x, y) == c) return true;
    return false;
  };
  const QRect january = picker.Grid().CellRect(0, 0).translated(grid);
  const QRect february = picker.Grid().CellRect(1, 0).translated(grid);
  EXPECT_TRUE(hasColour(january, QColor(128, 128, 128)));
  EXPECT_FALSE(hasColour(january, QColor(0, 0, 128)));
  EXPECT_TRUE(hasColour(february, QColor(0, 0, 128)));
}

}  // namespace
}  // namespace chronolin
