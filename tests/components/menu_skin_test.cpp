#include "components/menu_skin.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>

namespace chronolin {
namespace {

QRgb Rgb(const QColor& c) {
  return c.rgb();
}

TEST(MenuSkinColours, LightenDarkenGrey) {
  EXPECT_EQ(Rgb(Lighten(QColor(0, 100, 255), 50)), qRgb(128, 178, 255));  // rounds half up
  EXPECT_EQ(Rgb(Lighten(QColor(10, 20, 30), 0)), qRgb(10, 20, 30));
  EXPECT_EQ(Rgb(Lighten(QColor(10, 20, 30), 250)), qRgb(255, 255, 255));  // capped at 100 %
  EXPECT_EQ(Rgb(Darken(QColor(40, 40, 40), 50)), qRgb(0, 0, 0));          // clamped at 0
  EXPECT_EQ(Rgb(Darken(QColor(100, 100, 100), 50)), qRgb(50, 52, 50));    // green keeps 2
  EXPECT_EQ(Rgb(Darken(QColor(100, 254, 100), -10)), qRgb(110, 255, 110));
  EXPECT_EQ(Rgb(Grey(QColor(10, 20, 31), 10)), qRgb(30, 30, 30));  // integer mean
  EXPECT_EQ(Rgb(Grey(QColor(250, 250, 250), 10)), qRgb(240, 240, 240));
}

// A skinned menu shown offscreen: its picture is what a user would see.
class MenuSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plain = menu.addAction(QIcon(Square(Qt::red)), QStringLiteral("&Ouvrir"));
    separator = menu.addSeparator();
    system = menu.addAction(QStringLiteral("Système"));
    tinted = menu.addSeparator();
    tinted->setObjectName(QStringLiteral("N2"));
    owner = menu.addAction(QStringLiteral("Dessiné"));
    SetOwnerDraw(
        owner, [this](QAction&, int&, int&) { ++measured; },
        [this](QAction&, QPainter& canvas, const QRect& rect, bool) {
          ++drawn;
          canvas.fillRect(rect, QColor(1, 2, 3));
        });
    disabled = menu.addAction(QIcon(Square(QColor(200, 0, 0))), QStringLiteral("Inactif"));
    disabled->setEnabled(false);
  }

  static QPixmap Square(const QColor& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return pixmap;
  }

  QImage Show(QAction* active = nullptr) {
    skin.Attach(&menu);
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    if (active) menu.setActiveAction(active);
    return menu.grab().toImage();
  }

  QRect Geometry(QAction* item) { return menu.actionGeometry(item); }

  TMenuSkin skin;
  TPopupMenu menu;
  QAction *plain, *separator, *tinted, *system, *owner, *disabled;
  int measured = 0;
  int drawn = 0;
};

TEST_F(MenuSkinTest, MeasuresItemsAsTheOldMenus) {
  Show();
  const int h = QFontMetrics(skin.Font).height();
  EXPECT_EQ(Geometry(separator).height(), 4);
  EXPECT_EQ(Geometry(plain).height(), std::max(h + static_cast<int>(std::lround(0.75 * h)), 22));
  // A caption's "&" marks its accelerator and takes no room.
  EXPECT_EQ(skin.MeasureItem(QAction(QStringLiteral("&Ouvrir")), QFontMetrics(skin.Font)),
            skin.MeasureItem(QAction(QStringLiteral("Ouvrir")), QFontMetrics(skin.Font)));
  EXPECT_GT(measured, 0);  // the owner-drawn item measured itself
}

TEST_F(MenuSkinTest, DrawsTheIconColumnSelectionAndSeparators) {
  const MenuSkinPalette palette = skin.Palette();
  const QImage image = Show(plain);
  const QRect item = Geometry(system);
  const int y = item.center().y();
  // An item without icon: the icon column, then the text area.
  EXPECT_EQ(image.pixel(item.left() + skin.IconWidth - 2, y), Rgb(palette.iconBackground));
  EXPECT_EQ(image.pixel(item.left() + skin.IconWidth + 1, y), Rgb(palette.menuBackground));

  const QRect selected = Geometry(plain);
  EXPECT_EQ(image.pixel(selected.right() - 2, selected.center().y()), Rgb(palette.selectFill));
  EXPECT_EQ(image.pixel(selected.right(), selected.center().y()), Rgb(palette.selectBorder));

  // "N2" continues the tint of the item above it; other separators do not.
  const QRect n2 = Geometry(tinted);
  EXPECT_EQ(image.pixel(n2.left() + 2, n2.top()), qRgb(200, 200, 230));
  EXPECT_EQ(image.pixel(n2.left() + skin.IconWidth + 2, n2.top()), qRgb(225, 225, 250));
  EXPECT_EQ(image.pixel(n2.left() + 2, n2.top() + 2), Rgb(palette.separator));
  const QRect other = Geometry(separator);
  EXPECT_EQ(image.pixel(other.left() + skin.IconWidth + 2, other.top()),
            Rgb(palette.menuBackground));
  EXPECT_EQ(image.pixel(other.left() + skin.IconWidth + 2, other.top() + 2),
            Rgb(palette.menuBackground));  // the line starts 7 pixels into the text area
  EXPECT_EQ(image.pixel(other.left() + skin.IconWidth + 8, other.top() + 2),
            Rgb(palette.separator));

  // A disabled item's icon is grey.
  const QRect off = Geometry(disabled);
  const QColor icon = image.pixelColor(off.left() + skin.IconWidth / 2, off.top() + 8);
  EXPECT_EQ(icon.red(), icon.green());
  EXPECT_EQ(icon.green(), icon.blue());
}

TEST_F(MenuSkinTest, LeavesTaggedAndOwnerDrawnItemsAlone) {
  SetItemTag(system, kSkinIgnoredTag);
  const MenuSkinPalette palette = skin.Palette();
  QImage image = Show();
  const QRect item = Geometry(system);
  // No icon column painted under the system's own drawing.
  EXPECT_NE(image.pixel(item.left() + 2, item.center().y()), Rgb(palette.iconBackground));
  EXPECT_GT(drawn, 0);
  EXPECT_EQ(image.pixel(Geometry(owner).center()), qRgb(1, 2, 3));

  menu.hide();
  drawn = 0;
  skin.OverrideOwnerDraw = true;
  image = Show();
  EXPECT_EQ(drawn, 0);
  EXPECT_EQ(image.pixel(Geometry(owner).left() + 2, Geometry(owner).center().y()),
            Rgb(palette.iconBackground));
}

}  // namespace
}  // namespace chronolin
