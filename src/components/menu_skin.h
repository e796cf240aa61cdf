#pragma once
// Flat drawing of popup menus: a tinted icon column on the left, a pale text area, a filled and
// outlined selection, dimmed icons. A Qt style applied to the menus it is attached to; items
// that draw themselves (owner-drawn) or carry the tag 999 are left to their own drawing.
#include <QColor>
#include <QFont>
#include <QMenu>
#include <QPointer>
#include <QProxyStyle>
#include <QString>
#include <functional>
#include <vector>

namespace chronolin {

// Colour arithmetic of the skin, on 8-bit channels.
// Each channel x becomes x + round((255 - x) * percent / 100); percent is capped at 100.
QColor Lighten(const QColor& colour, int percent);
// Red - n, green - n + 2, blue - n, each clamped to 0..255.
QColor Darken(const QColor& colour, int n);
// The mean of the three channels plus n, capped at 240, as a grey.
QColor Grey(const QColor& colour, int n);

// The font `family` at a pixel size; when the family is not installed in the usual font
// folders, it is looked for among the fonts of Debian's fonts-wine (`fileName` there) and
// registered. Without it the closest family Qt finds is used.
QFont LoadFont(const QString& family, const QString& fileName, int pixelSize);

// Items with this tag keep the system's own drawing.
inline constexpr int kSkinIgnoredTag = 999;
int ItemTag(const QAction* item);
void SetItemTag(QAction* item, int tag);

// An item's own measuring and drawing: what an owner-drawn menu item of a form provides. The
// measure handler receives the size the menu proposes and may change it. The draw handler gets
// a painter set up with the menu's font and the current font colour (highlighted text for a
// selected item), the item's rectangle and whether it is selected.
using MeasureItemHandler = std::function<void(QAction& item, int& width, int& height)>;
using AdvancedDrawItemHandler =
    std::function<void(QAction& item, QPainter& canvas, const QRect& rect, bool selected)>;
void SetOwnerDraw(QAction* item, MeasureItemHandler onMeasure, AdvancedDrawItemHandler onDraw);
bool HasOwnerDraw(const QAction* item);

// A popup menu whose items can be told apart by the style that draws them: Qt's style options
// do not say which item they describe, so this menu names it in the option's style object.
// Every menu the skin draws, submenus included, must be one of these.
class TPopupMenu : public QMenu {
 public:
  explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}
  explicit TPopupMenu(const QString& title, QWidget* parent = nullptr) : QMenu(title, parent) {}

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

// The skin's derived colours.
struct MenuSkinPalette {
  QColor menuBackground;
  QColor iconBackground;
  QColor selectFill;
  QColor selectBorder;
  QColor disabledText;
  QColor separator;
  QColor checkPen;
  QColor checkFill;
  QColor checkFillSelected;
  QColor selectedText;
  QColor fontColour;
};

class TMenuSkin : public QProxyStyle {
 public:
  TMenuSkin();
  ~TMenuSkin() override;

  // Published properties; the defaults are the ones the counter window uses.
  bool Active = true;
  int DimLevel = 30;   // lightening of enabled, unselected icons, in percent
  int GrayLevel = 10;  // brightness added to the grey icons of disabled items
  int IconWidth = 24;  // width of the icon column
  bool DrawSelect = true;
  bool UseSystemColors = true;
  bool UseDimColor = false;
  bool OverrideOwnerDraw = false;
  // Used as they are when UseSystemColors is off.
  QColor Color, IconBackColor, SelectColor, SelectBorderColor, SelectFontColor, CheckedColor,
      DisabledColor, SeparatorColor;
  QFont Font;

  // Applies the skin to a menu and to every submenu below it (all TPopupMenu), giving them the
  // skin's font. Submenus added later need another Attach.
  void Attach(QMenu* menu);
  // Gives the menus back the style they had.
  void Detach();

  // The palette as it stands now (system colours are read at each call).
  MenuSkinPalette Palette() const;

  // The skin's measure of an item, as its menu would be given it (separators included).
  QSize MeasureItem(const QAction& item, const QFontMetrics& metrics, bool inPopup = true) const;

  // QStyle
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;

 private:
  // The item an option describes, when the skin (not the system or the item) draws it.
  QAction* SkinnedItem(const QStyleOption* option) const;
  void DrawItem(const QAction& item, const QStyleOptionMenuItem& option, QPainter& painter) const;
  void DrawSeparator(const QAction& item, const QRect& rect, const MenuSkinPalette& palette,
                     QPainter& painter) const;
  void DrawIcon(const QAction& item, const QStyleOptionMenuItem& option, const QRect& column,
                const MenuSkinPalette& palette, bool selected, QPainter& painter) const;

  struct Attached {
    QPointer<QMenu> menu;
    QStyle* previous;  // null: the application's style
  };
  std::vector<Attached> attached_;
};

}  // namespace chronolin
