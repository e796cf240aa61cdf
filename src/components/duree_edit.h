#pragma once
// The duration edit: read-only, but its caret tells the arrows which field to change, so they
// work only while it has the focus, and the caret is drawn even though nothing can be typed.
#include <QLineEdit>
#include <functional>

namespace chronolin {

class TDureeEdit : public QLineEdit {
 public:
  using FocusHandler = std::function<void(bool focused)>;
  explicit TDureeEdit(QWidget* parent = nullptr);
  void SetOnFocus(FocusHandler handler) { onFocus_ = std::move(handler); }

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  FocusHandler onFocus_;
};

}  // namespace chronolin
