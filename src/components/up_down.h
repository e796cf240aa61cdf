#pragma once
// A pair of arrows beside an edit. With a range, a click moves the position within it (no
// wrap) and reports the new position; the duration editor uses only the click's direction.
#include <QWidget>
#include <functional>

class QToolButton;

namespace chronolin {

class TUpDown : public QWidget {
 public:
  using ClickHandler = std::function<void(int step)>;

  explicit TUpDown(QWidget* parent = nullptr);

  void SetRange(int min, int max);
  int Position() const { return position_; }
  void SetPosition(int position);  // clamped to the range
  void SetOnClick(ClickHandler handler) { onClick_ = std::move(handler); }
  // Lets go of a held arrow, so that its repetition stops (before a message box, say).
  void Release();

  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Click(int step);

  QToolButton* up_;
  QToolButton* down_;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  ClickHandler onClick_;
};

}  // namespace chronolin
