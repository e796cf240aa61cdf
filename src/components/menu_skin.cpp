#include "components/menu_skin.h"

#include <QAction>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <memory>

namespace chronolin {

struct OwnerDraw {
  MeasureItemHandler onMeasure;
  AdvancedDrawItemHandler onDraw;
};

}  // namespace chronolin

Q_DECLARE_METATYPE(std::shared_ptr<chronolin::OwnerDraw>)

namespace chronolin {
namespace {

constexpr char kTagProperty[] = "Tag";
constexpr char kOwnerDrawProperty[] = "chronolinOwnerDraw";
constexpr char kFontsWineFolder[] = "/usr/share/wine/fonts/";
// The old system widened every item it let the program measure by the width of a check mark,
// room in which it drew the submenu arrow; Qt gives only the measured width.
constexpr int kArrowRoom = 12;

// The separator that continues the tint of the owner-drawn first item above it.
constexpr char kTintedSeparator[] = "N2";
const QColor kTintedIconColumn(200, 200, 230);
const QColor kTintedTextArea(225, 225, 250);

int Channel(int value) {
  return std::clamp(value, 0, 255);
}

std::shared_ptr<OwnerDraw> OwnerDrawOf(const QAction* item) {
  if (!item) return nullptr;
  return item->property(kOwnerDrawProperty).value<std::shared_ptr<OwnerDraw>>();
}

// Applies a colour change to every visible pixel of an icon, keeping its transparency.
QImage Recolour(const QImage& source, const std::function<QColor(const QColor&)>& change) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(line[x]);
      if (alpha == 0) continue;
      const QColor changed = change(QColor(line[x]));
      line[x] = qRgba(changed.red(), changed.green(), changed.blue(), alpha);
    }
  }
  return image;
}

}  // namespace

QColor Lighten(const QColor& colour, int percent) {
  const int p = std::min(percent, 100);
  const auto up = [p](int x) {
    return Channel(x + static_cast<int>(std::lround((255 - x) * p / 100.0)));
  };
  return QColor(up(colour.red()), up(colour.green()), up(colour.blue()));
}

QColor Darken(const QColor& colour, int n) {
  return QColor(Channel(colour.red() - n), Channel(colour.green() - n + 2),
                Channel(colour.blue() - n));
}

QColor Grey(const QColor& colour, int n) {
  const int g = std::min((colour.red() + colour.green() + colour.blue()) / 3 + n, 240);
  return QColor(Channel(g), Channel(g), Channel(g));
}

QFont LoadFont(const QString& family, const QString& fileName, int pixelSize) {
  if (!QFontDatabase::hasFamily(family)) {
    // fonts-wine keeps its fonts out of fontconfig's folders; registering the file for this
    // process is enough.
    const QString path = QString::fromLatin1(kFontsWineFolder) + fileName;
    if (QFile::exists(path)) QFontDatabase::addApplicationFont(path);
  }
  QFont font(family);
  font.setPixelSize(pixelSize);
  return font;
}

int ItemTag(const QAction* item) {
  return item ? item->property(kTagProperty).toInt() : 0;
}

void SetItemTag(QAction* item, int tag) {
  item->setProperty(kTagProperty, tag);
}

void SetOwnerDraw(QAction* item, MeasureItemHandler onMeasure, AdvancedDrawItemHandler onDraw) {
  if (!onMeasure && !onDraw) {
    item->setProperty(kOwnerDrawProperty, QVariant());
    return;
  }
  auto handlers = std::make_shared<OwnerDraw>(OwnerDraw{std::move(onMeasure), std::move(onDraw)});
  item->setProperty(kOwnerDrawProperty, QVariant::fromValue(handlers));
}

bool HasOwnerDraw(const QAction* item) {
  return OwnerDrawOf(item) != nullptr;
}

void TPopupMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
  QMenu::initStyleOption(option, action);
  option->styleObject = const_cast<QAction*>(action);
}

TMenuSkin::TMenuSkin() : Font(LoadFont("MS Sans Serif", "ms_sans_serif.ttf", 11)) {
  // The colour properties, for a skin used without the system colours.
  const QPalette p = QGuiApplication::palette();
  Color = IconBackColor = SeparatorColor = p.color(QPalette::Button);
  SelectColor = SelectBorderColor = CheckedColor = p.color(QPalette::Highlight);
  SelectFontColor = p.color(QPalette::WindowText);
  DisabledColor = p.color(QPalette::Disabled, QPalette::WindowText);
}

TMenuSkin::~TMenuSkin() {
  Detach();
}

void TMenuSkin::Attach(QMenu* menu) {
  if (!menu) return;
  const bool known = std::any_of(attached_.begin(), attached_.end(),
                                 [menu](const Attached& a) { return a.menu == menu; });
  if (!known) {
    attached_.push_back({menu, menu->testAttribute(Qt::WA_SetStyle) ? menu->style() : nullptr});
    menu->setStyle(this);
    menu->setFont(Font);
  }
  for (QAction* action : menu->actions())
    if (action->menu()) Attach(action->menu());
}

void TMenuSkin::Detach() {
  for (auto& a : attached_)
    if (a.menu) a.menu->setStyle(a.previous);
  attached_.clear();
}

MenuSkinPalette TMenuSkin::Palette() const {
  const QPalette system = QGuiApplication::palette();
  const QColor buttonFace = system.color(QPalette::Button);
  const QColor highlight = system.color(QPalette::Highlight);
  const QColor buttonShadow = system.color(QPalette::Dark);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const bool trueColour = !screen || screen->depth() > 15;

  MenuSkinPalette p;
  p.fontColour = system.color(QPalette::WindowText);
  p.selectedText = p.fontColour;
  if (UseSystemColors && trueColour) {
    p.menuBackground = Lighten(buttonFace, 86);
    p.iconBackground = Lighten(buttonFace, 16);
    p.selectFill = Lighten(highlight, 68);
    p.selectBorder = highlight;
    p.disabledText = Lighten(buttonShadow, 10);
    p.separator = Lighten(buttonShadow, 25);
    p.checkPen = highlight;
    p.checkFill = Lighten(highlight, 80);
    p.checkFillSelected = Lighten(highlight, 50);
  } else if (UseSystemColors) {
    p.menuBackground = Qt::white;
    p.iconBackground = buttonFace;
    p.selectFill = Qt::white;
    p.selectBorder = highlight;
    p.disabledText = p.separator = buttonShadow;
    p.checkPen = highlight;
    p.checkFill = p.checkFillSelected = Qt::white;
  } else {
    p.menuBackground = Color;
    p.iconBackground = IconBackColor;
    p.selectFill = UseDimColor ? Lighten(SelectColor, 68) : SelectColor;
    p.selectBorder = SelectBorderColor;
    p.disabledText = DisabledColor;
    p.separator = SeparatorColor;
    p.checkPen = SelectBorderColor;
    p.checkFill = UseDimColor ? Lighten(SelectColor, 80) : SelectColor;
    p.checkFillSelected = UseDimColor ? Lighten(SelectColor, 50) : SelectColor;
    p.selectedText = SelectFontColor;
  }
  return p;
}

QSize TMenuSkin::MeasureItem(const QAction& item, const QFontMetrics& metrics, bool inPopup) const {
  if (item.isSeparator()) return QSize(1, 4);
  const QString caption = item.text();
  QString text = caption;
  const QString shortcut = item.shortcut().toString(QKeySequence::NativeText);
  if (!shortcut.isEmpty()) text += QStringLiteral("WWW") + shortcut;
  int width = metrics.horizontalAdvance(text) + 5;
  if (caption.contains(u'&')) width -= metrics.horizontalAdvance(u'&');
  if (item.menu() && inPopup) width += 6;

  QSize image = item.icon().isNull() ? QSize(0, 0) : QSize(16, 16);
  if (inPopup) image.setWidth(std::max(image.width(), IconWidth));
  width += image.width();

  const int h = metrics.height();
  const int height = std::max(h + static_cast<int>(std::lround(0.75 * h)), image.height() + 6);
  return QSize(width, height);
}

QAction* TMenuSkin::SkinnedItem(const QStyleOption* option) const {
  if (!Active || !option) return nullptr;
  auto* item = qobject_cast<QAction*>(option->styleObject);
  if (!item || ItemTag(item) == kSkinIgnoredTag) return nullptr;
  if (HasOwnerDraw(item) && !OverrideOwnerDraw) return nullptr;
  return item;
}

QSize TMenuSkin::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
  if (type != CT_MenuItem || !option) {
    return QProxyStyle::sizeFromContents(type, option, size, widget);
  }
  auto* item = qobject_cast<QAction*>(option->styleObject);
  if (QAction* skinned = SkinnedItem(option)) {
    return MeasureItem(*skinned, option->fontMetrics) + QSize(kArrowRoom, 0);
  }
  QStyleOptionMenuItem plain = *qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  plain.styleObject = const_cast<QWidget*>(widget);
  QSize proposed = QProxyStyle::sizeFromContents(type, &plain, size, widget);
  if (const auto owner = OwnerDrawOf(item);
      owner && ItemTag(item) != kSkinIgnoredTag && owner->onMeasure) {
    int width = proposed.width();
    int height = proposed.height();
    owner->onMeasure(*item, width, height);
    proposed = QSize(width, height);
  }
  return proposed;
}

void TMenuSkin::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  if (element == CE_MenuEmptyArea && Active) {
    painter->fillRect(option->rect, Palette().menuBackground);
    return;
  }
  const auto* menuOption = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (element != CE_MenuItem || !menuOption) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  auto* item = qobject_cast<QAction*>(option->styleObject);
  if (QAction* skinned = SkinnedItem(option)) {
    DrawItem(*skinned, *menuOption, *painter);
    return;
  }
  const bool selected = option->state & State_Selected;
  if (const auto owner = OwnerDrawOf(item);
      owner && ItemTag(item) != kSkinIgnoredTag && owner->onDraw) {
    painter->save();
    painter->setFont(menuOption->font);
    painter->setPen(option->palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setBrush(Qt::NoBrush);
    owner->onDraw(*item, *painter, option->rect, selected);
    painter->restore();
    return;
  }
  QStyleOptionMenuItem plain = *menuOption;
  plain.styleObject = const_cast<QWidget*>(widget);
  QProxyStyle::drawControl(element, &plain, painter, widget);
}

void TMenuSkin::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
  if (!Active || !option) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  if (element == PE_PanelMenu) {
    painter->fillRect(option->rect, Palette().menuBackground);
    return;
  }
  if (element == PE_FrameMenu) {
    // The raised two-line frame of a classic menu window.
    const QPalette system = QGuiApplication::palette();
    const QRect r = option->rect.adjusted(0, 0, -1, -1);
    painter->save();
    painter->setPen(system.color(QPalette::Button));
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->setPen(system.color(QPalette::Shadow));
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    const QRect inner = r.adjusted(1, 1, -1, -1);
    painter->setPen(system.color(QPalette::Light));
    painter->drawLine(inner.topLeft(), inner.topRight());
    painter->drawLine(inner.topLeft(), inner.bottomLeft());
    painter->setPen(system.color(QPalette::Dark));
    painter->drawLine(inner.bottomLeft(), inner.bottomRight());
    painter->drawLine(inner.topRight(), inner.bottomRight());
    painter->restore();
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int TMenuSkin::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
  if (Active) {
    switch (metric) {
      case PM_MenuPanelWidth:
        return 2;
      case PM_MenuHMargin:
      case PM_MenuVMargin:
        return 1;
      default:
        break;
    }
  }
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void TMenuSkin::DrawItem(const QAction& item, const QStyleOptionMenuItem& option,
                         QPainter& painter) const {
  const MenuSkinPalette palette = Palette();
  const QRect rect = option.rect;
  const QSize iconSize = option.icon.isNull() ? QSize(0, 0) : QSize(16, 16);
  const int textStart = iconSize.width() > IconWidth ? iconSize.width() + 4 : IconWidth;
  const QRect column(rect.left(), rect.top(), IconWidth, rect.height());
  const QRect textArea(rect.left() + textStart, rect.top(), rect.width() - textStart,
                       rect.height());

  painter.save();
  painter.fillRect(rect, palette.menuBackground);
  painter.fillRect(column, palette.iconBackground);

  if (item.isSeparator()) {
    DrawSeparator(item, rect, palette, painter);
    painter.restore();
    return;
  }

  const bool enabled = option.state & State_Enabled;
  const bool selected = option.state & State_Selected;
  const QColor fontColour =
      enabled ? (selected ? palette.selectedText : palette.fontColour) : palette.disabledText;

  if (selected && DrawSelect && enabled) {
    const QRect selection = rect.adjusted(0, 1, 0, -1);
    painter.fillRect(selection, palette.selectFill);
    painter.setPen(palette.selectBorder);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(selection.adjusted(0, 0, -1, -1));
  }

  if (option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked) {
    const bool radio = option.checkType == QStyleOptionMenuItem::Exclusive;
    const QColor pen = enabled ? palette.checkPen : palette.disabledText;
    const QColor fill = selected ? palette.checkFillSelected : palette.checkFill;
    painter.setRenderHint(QPainter::Antialiasing, radio);
    if (!iconSize.isEmpty()) {
      const QRect box(column.left() + (IconWidth - 20) / 2, rect.top() + 1, 20, 20);
      painter.setPen(pen);
      painter.setBrush(fill);
      if (radio)
        painter.drawRoundedRect(box, 6, 6);
      else
        painter.drawRect(box);
    } else {
      const QRect box(column.left() + (IconWidth - 13) / 2, rect.top() + (rect.height() - 13) / 2,
                      12, 12);
      painter.setPen(pen);
      painter.setBrush(enabled ? fill : palette.menuBackground);
      if (radio) {
        painter.drawEllipse(box);
        painter.setBrush(enabled ? QColor(Qt::black) : palette.disabledText);
        painter.drawEllipse(box.adjusted(3, 3, -3, -3));
      } else {
        painter.drawRect(box);
        painter.setPen(enabled ? QColor(Qt::black) : palette.disabledText);
        const QPoint o = box.topLeft() + QPoint(3, 5);
        for (int i = 0; i < 5; ++i) {  // the tick: five short strokes
          const int dy = i < 2 ? i : 4 - i;
          painter.drawLine(o + QPoint(i, dy), o + QPoint(i, dy + 2));
        }
      }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
  }

  if (!iconSize.isEmpty()) DrawIcon(item, option, column, palette, selected, painter);

  // Caption and shortcut: QMenu joins them with a tab.
  QString caption = option.text;
  QString shortcut;
  if (const qsizetype tab = caption.indexOf(u'\t'); tab >= 0) {
    shortcut = caption.mid(tab + 1);
    caption = caption.left(tab);
  }
  painter.setFont(option.font);
  const QFontMetrics& metrics = option.fontMetrics;
  const int textTop = rect.top() + (rect.height() - metrics.boundingRect(u'W').height()) / 2;
  const QRect textRect(textArea.left() + 3, textTop, textArea.width() - 3,
                       rect.bottom() - textTop + 1);
  const int flags =
      Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextExpandTabs | Qt::TextSingleLine;
  const QString text = QStringLiteral(" ") + caption;
  if (option.menuItemType == QStyleOptionMenuItem::DefaultItem && enabled) {
    painter.setPen(Qt::white);
    painter.drawText(textRect.translated(1, 1), flags, text);
  }
  painter.setPen(fontColour);
  painter.drawText(textRect, flags, text);
  if (!shortcut.isEmpty()) {
    painter.drawText(textRect.adjusted(0, 0, -10, 0), Qt::AlignRight | Qt::AlignTop,
                     shortcut + QStringLiteral(" "));
  }

  if (option.menuItemType == QStyleOptionMenuItem::SubMenu) {
    QStyleOption arrow = option;
    arrow.rect = QRect(rect.right() - 10, rect.top() + (rect.height() - 8) / 2, 8, 8);
    arrow.palette.setColor(QPalette::ButtonText, fontColour);
    arrow.palette.setColor(QPalette::WindowText, fontColour);
    arrow.styleObject = nullptr;
    QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, &painter, nullptr);
  }
  painter.restore();
}

void TMenuSkin::DrawSeparator(const QAction& item, const QRect& rect,
                              const MenuSkinPalette& palette, QPainter& painter) const {
  const int middle = rect.top() + rect.height() / 2;
  int lineStart = rect.left() + IconWidth + 7;
  if (item.objectName() == QLatin1String(kTintedSeparator)) {
    const int half = rect.height() / 2;
    painter.fillRect(QRect(rect.left(), rect.top(), IconWidth, half), kTintedIconColumn);
    painter.fillRect(QRect(rect.left() + IconWidth, rect.top(), rect.width() - IconWidth, half),
                     kTintedTextArea);
    lineStart = rect.left();
  }
  painter.setPen(palette.separator);
  painter.drawLine(lineStart, middle, rect.right(), middle);
}

void TMenuSkin::DrawIcon(const QAction& item, const QStyleOptionMenuItem& option,
                         const QRect& column, const MenuSkinPalette& palette, bool selected,
                         QPainter& painter) const {
  const QImage icon = item.icon().pixmap(QSize(16, 16)).toImage();
  if (icon.isNull()) return;
  const bool enabled = option.state & State_Enabled;
  const int x = column.left() + std::max(0, (IconWidth - icon.width()) / 2);
  const int y = column.top() + 3;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const bool trueColour = !screen || screen->depth() > 15;

  if (!enabled) {
    const int grey = GrayLevel;
    painter.drawImage(
        x, y, Recolour(icon, [grey](const QColor& c) { return Lighten(Grey(c, grey), 40); }));
  } else if (selected && !option.checked) {
    const QColor shadow = Darken(palette.selectFill, 50);
    painter.drawImage(x + 2, y + 2, Recolour(icon, [shadow](const QColor&) { return shadow; }));
    painter.drawImage(x - 1, y - 1, icon);
  } else if (!selected && trueColour) {
    const int dim = DimLevel;
    painter.drawImage(x, y, Recolour(icon, [dim](const QColor& c) { return Lighten(c, dim); }));
  } else {
    painter.drawImage(x, y, icon);
  }
}

}  // namespace chronolin
