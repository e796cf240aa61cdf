#include "components/up_down.h"

#include <QToolButton>
#include <algorithm>

namespace chronolin {

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  for (QToolButton* button : {up_, down_}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);  // the edit beside keeps the focus and its caret
    button->setAutoRaise(false);
  }
  up_->setObjectName(QStringLiteral("up"));
  down_->setObjectName(QStringLiteral("down"));
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  QObject::connect(up_, &QToolButton::clicked, this, [this] { Click(+1); });
  QObject::connect(down_, &QToolButton::clicked, this, [this] { Click(-1); });
}

void TUpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  SetPosition(position_);
}

void TUpDown::SetPosition(int position) {
  position_ = std::clamp(position, min_, max_);
}

void TUpDown::Release() {
  up_->setDown(false);
  down_->setDown(false);
}

void TUpDown::Click(int step) {
  SetPosition(position_ + step);
  if (onClick_) onClick_(step);
}

void TUpDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace chronolin
