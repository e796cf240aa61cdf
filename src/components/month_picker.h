#pragma once
// A compact month picker: a title row (previous-year button, the year, next-year button) above
// the twelve months in 4 columns and 3 rows. Months the program marks unavailable are grey and
// ignore the mouse and the keyboard.
#include <QColor>
#include <QLabel>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/regional.h"

namespace chronolin {

enum class TCalOption : unsigned {
  coShowHorzLines = 1u << 0,
  coShowFocusRect = 1u << 1,
  coShowFrame = 1u << 2,
  coShowCellFrames = 1u << 3,
  coShowTitle = 1u << 4,
};

class TCalendarOptions {
 public:
  constexpr TCalendarOptions() = default;
  constexpr TCalendarOptions(std::initializer_list<TCalOption> options) {
    for (TCalOption o : options) bits_ |= static_cast<unsigned>(o);
  }
  static constexpr TCalendarOptions All() {
    return {TCalOption::coShowHorzLines, TCalOption::coShowFocusRect, TCalOption::coShowFrame,
            TCalOption::coShowCellFrames, TCalOption::coShowTitle};
  }
  constexpr bool Has(TCalOption o) const { return (bits_ & static_cast<unsigned>(o)) != 0; }
  constexpr bool operator==(const TCalendarOptions&) const = default;

 private:
  unsigned bits_ = 0;
};

class TMonthPicker;

// The picker's seven colours. Setting one applies it at once.
class TMonthPickerColors {
 public:
  explicit TMonthPickerColors(TMonthPicker& owner) : owner_(owner) {}

  QColor BackColor() const { return back_; }
  QColor TextColor() const { return text_; }
  QColor TitleBackColor() const { return titleBack_; }
  QColor TitleTextColor() const { return titleText_; }
  QColor SelectedBorderColor() const { return selectedBorder_; }
  QColor SelectedColor() const { return selected_; }
  QColor SelectedTextColor() const { return selectedText_; }

  void SetBackColor(const QColor& c);
  void SetTextColor(const QColor& c);
  void SetTitleBackColor(const QColor& c);
  void SetTitleTextColor(const QColor& c);
  void SetSelectedBorderColor(const QColor& c);
  void SetSelectedColor(const QColor& c);
  void SetSelectedTextColor(const QColor& c);
  // Copies the seven colours.
  void Assign(const TMonthPickerColors& source);

 private:
  void Changed();

  TMonthPicker& owner_;
  QColor back_{Qt::black};
  QColor text_{Qt::white};
  QColor titleBack_{79, 79, 79};
  QColor titleText_{0, 0, 128};
  QColor selectedBorder_{192, 192, 192};
  QColor selected_{178, 178, 255};
  QColor selectedText_{Qt::white};
};

// The 4 x 3 grid of months. Month m sits in column (m - 1) mod 4, row (m - 1) div 4.
class TCalendarGrid : public QWidget {
 public:
  using DrawCellHandler =
      std::function<void(TCalendarGrid& sender, QPainter& canvas, const QString& text, int col,
                         int row, const QRect& rect, bool selected, bool focused)>;

  explicit TCalendarGrid(QWidget* parent, const Regional& regional);

  int Month() const { return month_; }
  // Selects a month of 1 to 12 (anything else is ignored); no notification.
  void SetMonth(int month);
  bool MonthEnabled(int month) const;
  void SetMonthEnabled(int month, bool enabled);
  TCalendarOptions CalOptions() const { return options_; }
  void SetCalOptions(TCalendarOptions options);
  // The colour of the horizontal lines.
  QColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(const QColor& colour);

  // Recomputed from the size, as the grid does on every resize.
  static constexpr int kGridLineWidth = 1;
  int ColWidth() const { return (width() - 2 * kGridLineWidth) / 4; }
  int RowHeight() const { return (height() - 2 * kGridLineWidth) / 3; }
  // The month a point of the grid stands for, 0 outside the cells.
  int MonthAt(QPoint point) const;
  QRect CellRect(int col, int row) const;
  // The locale's long name when it has at most 4 characters, else its short name.
  QString CellText(int month) const;

  DrawCellHandler OnDrawCalendarCell;
  // A month chosen by the user (mouse or keyboard).
  std::function<void()> OnChange;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UserSelect(int month);

  const Regional regional_;
  std::array<bool, 12> monthEnabled_;
  int month_;
  TCalendarOptions options_{TCalOption::coShowHorzLines, TCalOption::coShowFocusRect,
                            TCalOption::coShowCellFrames};
  QColor fixedColor_;
};

class TMonthPicker : public QWidget {
 public:
  static constexpr int kWidth = 160;
  static constexpr int kHeight = 110;
  static constexpr int kBorderWidth = 8;
  static constexpr int kTitleHeight = 17;
  static constexpr int kButtonWidth = 22;
  static inline const QColor kTitlePanelColor{238, 238, 255};
  static inline const QColor kTitleLineColor{208, 208, 255};
  static inline const QColor kUnavailableTextColor{128, 128, 128};

  explicit TMonthPicker(QWidget* parent = nullptr,
                        const Regional& regional = Regional::FromEnvironment());

  std::uint16_t Year() const { return year_; }
  void SetYear(std::uint16_t year);
  int Month() const { return grid_->Month(); }
  void SetMonth(int month);
  std::uint16_t MinYear() const { return minYear_; }
  void SetMinYear(std::uint16_t year);
  std::uint16_t MaxYear() const { return maxYear_; }
  void SetMaxYear(std::uint16_t year);
  void SetMonthEnabled(int month, bool enabled);
  bool MonthEnabled(int month) const { return grid_->MonthEnabled(month); }
  TCalendarOptions Options() const { return grid_->CalOptions(); }
  void SetOptions(TCalendarOptions options);
  TMonthPickerColors& Colors() { return colors_; }

  // Sent by a change of year (twice for a year button: the year's change and the button's own
  // refresh), never by choosing a month in the grid.
  std::function<void(TMonthPicker& sender)> OnChange;
  // Where an error of a year button's own refresh goes (the application's error box); the
  // refresh of a Year or Month write swallows its errors.
  std::function<void(const std::string& message)> OnError;

  // Children.
  TCalendarGrid& Grid() { return *grid_; }
  QWidget& TitlePanel() { return *titlePanel_; }
  QToolButton& PrevYearButton() { return *prevYear_; }
  QToolButton& NextYearButton() { return *nextYear_; }
  QLabel& YearLabel() { return *yearLabel_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TMonthPickerColors;
  void ColorsChanged();
  void Refresh();
  void RefreshGuarded();
  void UpdateButtons();
  void ButtonRefresh();
  void PrevYearClick();
  void NextYearClick();
  void DrawCell(QPainter& canvas, const QString& text, int col, int row, QRect rect, bool selected,
                bool focused);

  TMonthPickerColors colors_{*this};
  std::uint16_t year_;
  std::uint16_t minYear_;
  std::uint16_t maxYear_;
  QWidget* titlePanel_ = nullptr;
  QToolButton* prevYear_ = nullptr;
  QToolButton* nextYear_ = nullptr;
  QLabel* yearLabel_ = nullptr;
  TCalendarGrid* grid_ = nullptr;
};

}  // namespace chronolin
