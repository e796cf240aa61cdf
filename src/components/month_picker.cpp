#include "components/month_picker.h"

#include <QDate>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <exception>

namespace chronolin {

namespace {

// An arrow pointing left or right, in its normal and disabled colours.
QIcon ArrowGlyph(bool left) {
  QIcon icon;
  for (const auto& [mode, colour] : {std::pair{QIcon::Normal, QColor(0, 0, 128)},
                                     std::pair{QIcon::Disabled, QColor(160, 160, 176)}}) {
    QPixmap pixmap(8, 9);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const QPolygon arrow = left ? QPolygon({QPoint(6, 0), QPoint(6, 8), QPoint(2, 4)})
                                : QPolygon({QPoint(2, 0), QPoint(2, 8), QPoint(6, 4)});
    painter.drawPolygon(arrow);
    painter.end();
    icon.addPixmap(pixmap, mode);
  }
  return icon;
}

void FrameRect(QPainter& canvas, const QRect& rect, const QColor& colour) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  canvas.setPen(colour);
  canvas.setBrush(Qt::NoBrush);
  canvas.drawRect(rect.adjusted(0, 0, -1, -1));
}

}  // namespace

// ---- Colours ----------------------------------------------------------------------------------

void TMonthPickerColors::SetBackColor(const QColor& c) {
  back_ = c;
  Changed();
}
void TMonthPickerColors::SetTextColor(const QColor& c) {
  text_ = c;
  Changed();
}
void TMonthPickerColors::SetTitleBackColor(const QColor& c) {
  titleBack_ = c;
  Changed();
}
void TMonthPickerColors::SetTitleTextColor(const QColor& c) {
  titleText_ = c;
  Changed();
}
void TMonthPickerColors::SetSelectedBorderColor(const QColor& c) {
  selectedBorder_ = c;
  Changed();
}
void TMonthPickerColors::SetSelectedColor(const QColor& c) {
  selected_ = c;
  Changed();
}
void TMonthPickerColors::SetSelectedTextColor(const QColor& c) {
  selectedText_ = c;
  Changed();
}

void TMonthPickerColors::Assign(const TMonthPickerColors& source) {
  back_ = source.back_;
  text_ = source.text_;
  titleBack_ = source.titleBack_;
  titleText_ = source.titleText_;
  selectedBorder_ = source.selectedBorder_;
  selected_ = source.selected_;
  selectedText_ = source.selectedText_;
  Changed();
}

void TMonthPickerColors::Changed() {
  owner_.ColorsChanged();
}

// ---- Grid -------------------------------------------------------------------------------------

TCalendarGrid::TCalendarGrid(QWidget* parent, const Regional& regional)
    : QWidget(parent), regional_(regional), month_(QDate::currentDate().month()) {
  monthEnabled_.fill(true);
  // Focus comes with a press on an available month only, so the press is handled by hand.
  setFocusPolicy(Qt::TabFocus);
}

void TCalendarGrid::SetMonth(int month) {
  if (month < 1 || month > 12 || month == month_) return;
  month_ = month;
  update();
}

bool TCalendarGrid::MonthEnabled(int month) const {
  return month >= 1 && month <= 12 && monthEnabled_[month - 1];
}

void TCalendarGrid::SetMonthEnabled(int month, bool enabled) {
  if (month < 1 || month > 12) return;
  monthEnabled_[month - 1] = enabled;
  update();
}

void TCalendarGrid::SetCalOptions(TCalendarOptions options) {
  options_ = options;
  update();
}

void TCalendarGrid::SetFixedColor(const QColor& colour) {
  fixedColor_ = colour;
  update();
}

QRect TCalendarGrid::CellRect(int col, int row) const {
  return QRect(col * ColWidth(), row * RowHeight(), ColWidth(), RowHeight());
}

int TCalendarGrid::MonthAt(QPoint point) const {
  const int colWidth = ColWidth();
  const int rowHeight = RowHeight();
  if (colWidth <= 0 || rowHeight <= 0 || point.x() < 0 || point.y() < 0) return 0;
  const int col = point.x() / colWidth;
  const int row = point.y() / rowHeight;
  if (col > 3 || row > 2) return 0;
  return row * 4 + col + 1;
}

QString TCalendarGrid::CellText(int month) const {
  const QString longName = QString::fromStdString(regional_.longMonthNames[month - 1]);
  if (longName.size() <= 4) return longName;
  return QString::fromStdString(regional_.shortMonthNames[month - 1]);
}

void TCalendarGrid::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  canvas.fillRect(rect(), palette().color(QPalette::Window));
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) {
      const int month = row * 4 + col + 1;
      const bool selected = month == month_;
      if (OnDrawCalendarCell)
        OnDrawCalendarCell(*this, canvas, CellText(month), col, row, CellRect(col, row), selected,
                           selected && hasFocus());
    }
  }
  if (options_.Has(TCalOption::coShowHorzLines)) {
    // The line lies on the top pixel of the next row, which the cells leave to it.
    canvas.setPen(fixedColor_);
    const int rowHeight = RowHeight();
    for (int row = 1; row < 3; ++row)
      canvas.drawLine(0, row * rowHeight, width() - 1, row * rowHeight);
  }
}

void TCalendarGrid::mousePressEvent(QMouseEvent* event) {
  const int month = MonthAt(event->position().toPoint());
  if (month == 0 || !MonthEnabled(month)) {
    event->accept();  // a grey month takes nothing, not even the focus
    return;
  }
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton) UserSelect(month);
}

void TCalendarGrid::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Right:
      step = 1;
      break;
    case Qt::Key_Up:
      step = -4;
      break;
    case Qt::Key_Down:
      step = 4;
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  // The nearest available month that way: along the row order for left and right, within
  // the column for up and down. None: the selection stays.
  for (int m = month_ + step; m >= 1 && m <= 12; m += step) {
    if (MonthEnabled(m)) {
      UserSelect(m);
      break;
    }
  }
  event->accept();
}

void TCalendarGrid::UserSelect(int month) {
  if (month == month_) return;
  SetMonth(month);
  if (OnChange) OnChange();
}

// ---- Picker -----------------------------------------------------------------------------------

TMonthPicker::TMonthPicker(QWidget* parent, const Regional& regional)
    : QWidget(parent),
      year_(static_cast<std::uint16_t>(QDate::currentDate().year())),
      minYear_(year_),
      maxYear_(year_) {
  resize(kWidth, kHeight);

  titlePanel_ = new QWidget(this);
  titlePanel_->setAutoFillBackground(true);
  QPalette titlePalette = titlePanel_->palette();
  titlePalette.setColor(QPalette::Window, kTitlePanelColor);
  titlePanel_->setPalette(titlePalette);

  auto makeButton = [this](bool left) {
    auto* button = new QToolButton(titlePanel_);
    button->setAutoRaise(true);  // flat
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(ArrowGlyph(left));
    button->setIconSize(QSize(8, 9));
    button->setFixedSize(kButtonWidth, kTitleHeight);
    return button;
  };
  prevYear_ = makeButton(true);
  nextYear_ = makeButton(false);
  prevYear_->setObjectName(QStringLiteral("PrevYear"));
  nextYear_->setObjectName(QStringLiteral("NextYear"));
  connect(prevYear_, &QToolButton::clicked, this, [this] { PrevYearClick(); });
  connect(nextYear_, &QToolButton::clicked, this, [this] { NextYearClick(); });

  yearLabel_ = new QLabel(titlePanel_);
  yearLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  yearLabel_->move(61, 3);
  QPalette labelPalette = yearLabel_->palette();
  // The title text colour of creation time; later colour changes leave the label alone.
  labelPalette.setColor(QPalette::WindowText, colors_.TitleTextColor());
  yearLabel_->setPalette(labelPalette);

  grid_ = new TCalendarGrid(this, regional);
  grid_->OnDrawCalendarCell = [this](TCalendarGrid&, QPainter& canvas, const QString& text, int col,
                                     int row, const QRect& rect, bool selected, bool focused) {
    DrawCell(canvas, text, col, row, rect, selected, focused);
  };
  grid_->SetCalOptions(TCalendarOptions::All());

  ColorsChanged();
  yearLabel_->setText(QString::number(year_));
  yearLabel_->adjustSize();
  UpdateButtons();
  resizeEvent(nullptr);
}

void TMonthPicker::SetYear(std::uint16_t year) {
  if (year == year_) return;
  year_ = year;
  RefreshGuarded();
}

void TMonthPicker::SetMonth(int month) {
  if (month < 1 || month > 12 || month == grid_->Month()) return;
  grid_->SetMonth(month);
  RefreshGuarded();
}

// The buttons follow the limits at once: a dialog that sets its limits and then today's year
// (the year shown already) would otherwise keep the buttons of the previous limits.
void TMonthPicker::SetMinYear(std::uint16_t year) {
  minYear_ = year;
  UpdateButtons();
}

void TMonthPicker::SetMaxYear(std::uint16_t year) {
  maxYear_ = year;
  UpdateButtons();
}

void TMonthPicker::SetMonthEnabled(int month, bool enabled) {
  grid_->SetMonthEnabled(month, enabled);
}

void TMonthPicker::SetOptions(TCalendarOptions options) {
  const TCalendarOptions old = grid_->CalOptions();
  if (old.Has(TCalOption::coShowFrame) != options.Has(TCalOption::coShowFrame)) update();
  if (old.Has(TCalOption::coShowTitle) != options.Has(TCalOption::coShowTitle))
    titlePanel_->setVisible(options.Has(TCalOption::coShowTitle));
  grid_->SetCalOptions(options);
}

void TMonthPicker::ColorsChanged() {
  QPalette own = palette();
  own.setColor(QPalette::Window, colors_.BackColor());
  setPalette(own);
  if (grid_) {
    QPalette gridPalette = grid_->palette();
    gridPalette.setColor(QPalette::Window, colors_.BackColor());
    grid_->setPalette(gridPalette);
    grid_->SetFixedColor(colors_.TitleBackColor());
  }
  update();
}

void TMonthPicker::Refresh() {
  const QString text = QString::number(year_);
  if (yearLabel_->text() != text) {
    yearLabel_->setText(text);
    yearLabel_->adjustSize();
  }
  UpdateButtons();
  if (OnChange) OnChange(*this);
}

void TMonthPicker::RefreshGuarded() {
  try {
    Refresh();
  } catch (const std::exception&) {
    // A failing change handler must not undo the year or month just written.
  }
}

void TMonthPicker::UpdateButtons() {
  prevYear_->setEnabled(year_ != minYear_);
  nextYear_->setEnabled(year_ != maxYear_);
}

void TMonthPicker::PrevYearClick() {
  SetYear(static_cast<std::uint16_t>(year_ - 1));
  ButtonRefresh();
}

void TMonthPicker::NextYearClick() {
  SetYear(static_cast<std::uint16_t>(year_ + 1));
  ButtonRefresh();
}

void TMonthPicker::ButtonRefresh() {
  try {
    Refresh();
  } catch (const std::exception& e) {
    if (OnError) OnError(e.what());
  }
}

void TMonthPicker::resizeEvent(QResizeEvent*) {
  titlePanel_->setGeometry(kBorderWidth, kBorderWidth, width() - 2 * kBorderWidth, kTitleHeight);
  prevYear_->move(0, 0);
  nextYear_->move(titlePanel_->width() - kButtonWidth, 0);
  grid_->setGeometry(4, 33, width() - 8, height() - 36);
}

void TMonthPicker::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  canvas.fillRect(rect(), colors_.BackColor());
  canvas.fillRect(QRect(QPoint(4, 4), QPoint(width() - 4 - 1, 29 - 1)), kTitlePanelColor);
  canvas.setPen(kTitleLineColor);
  canvas.drawLine(5, 30, width() - 5 - 1, 30);
  if (Options().Has(TCalOption::coShowFrame))
    FrameRect(canvas, rect().adjusted(2, 2, -2, -2), kTitleLineColor);
}

void TMonthPicker::DrawCell(QPainter& canvas, const QString& text, int col, int row, QRect rect,
                            bool selected, bool focused) {
  const int month = row * 4 + col + 1;
  const QColor background = selected ? colors_.SelectedColor() : colors_.BackColor();
  const QColor textColour = !grid_->MonthEnabled(month) ? kUnavailableTextColor
                            : selected                  ? colors_.TitleTextColor()
                                                        : QColor(0, 0, 128);
  const QColor frameColour = selected ? colors_.SelectedBorderColor() : colors_.BackColor();

  canvas.fillRect(rect, background);
  canvas.setPen(textColour);
  canvas.setFont(grid_->font());
  const QFontMetrics metrics(grid_->font());
  const int x = rect.left() + (rect.width() - metrics.horizontalAdvance(text)) / 2;
  const int y = rect.top() + (rect.height() - metrics.height()) / 2;
  canvas.drawText(x, y + metrics.ascent(), text);

  const TCalendarOptions options = Options();
  if (options.Has(TCalOption::coShowHorzLines)) rect.setTop(rect.top() + 1);
  FrameRect(canvas, rect, colors_.BackColor());
  if (focused && options.Has(TCalOption::coShowFocusRect)) {
    QPen pen(textColour, 1, Qt::DotLine);
    canvas.setPen(pen);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
  }
  if (options.Has(TCalOption::coShowCellFrames))
    FrameRect(canvas, rect.adjusted(1, 1, -1, -1), frameColour);
}

}  // namespace chronolin
