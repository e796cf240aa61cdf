#include "components/link_label.h"

#include <QMouseEvent>

namespace chronolin {

TLinkLabel::TLinkLabel(const QString& caption, QWidget* parent, std::function<void()> onClick)
    : QLabel(caption, parent), onClick_(std::move(onClick)) {
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(pal);
  setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && onClick_) onClick_();
  QLabel::mousePressEvent(event);
}

}  // namespace chronolin
