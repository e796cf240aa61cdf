#pragma once
// A label that acts as a link: blue, underlined, a hand cursor, and a handler for the click.
#include <QLabel>
#include <functional>

namespace chronolin {

class TLinkLabel : public QLabel {
 public:
  TLinkLabel(const QString& caption, QWidget* parent, std::function<void()> onClick);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::function<void()> onClick_;
};

}  // namespace chronolin
