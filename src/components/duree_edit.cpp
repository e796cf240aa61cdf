#include "components/duree_edit.h"

#include <QFocusEvent>
#include <QPainter>

namespace chronolin {

TDureeEdit::TDureeEdit(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  QObject::connect(this, &QLineEdit::cursorPositionChanged, this, [this] { update(); });
}

// A read-only line edit hides its caret; this one needs it seen.
void TDureeEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!hasFocus() || hasSelectedText()) return;
  QPainter painter(this);
  const QRect caret = cursorRect();
  painter.fillRect(QRect(caret.center().x(), caret.top(), 1, caret.height()),
                   palette().color(QPalette::Text));
}

void TDureeEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (onFocus_) onFocus_(true);
}

void TDureeEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (onFocus_) onFocus_(false);
}

}  // namespace chronolin
