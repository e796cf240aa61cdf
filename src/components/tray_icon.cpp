#include "components/tray_icon.h"

#include <QCursor>
#include <QGuiApplication>

namespace chronolin {
namespace {

unsigned KeyState() {
  const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
  unsigned shift = 0;
  if (keys & Qt::ShiftModifier) shift |= ssShift;
  if (keys & Qt::AltModifier) shift |= ssAlt;
  if (keys & Qt::ControlModifier) shift |= ssCtrl;
  return shift;
}

unsigned ButtonState(TMouseButton button) {
  switch (button) {
    case TMouseButton::Left:
      return ssLeft;
    case TMouseButton::Right:
      return ssRight;
    case TMouseButton::Middle:
      return ssMiddle;
  }
  return 0;
}

// The first `count` characters, never cutting a character in two.
QString FirstCharacters(const QString& text, int count) {
  qsizetype end = 0;
  for (int n = 0; n < count && end < text.size(); ++n)
    end += (text.at(end).isHighSurrogate() && end + 1 < text.size()) ? 2 : 1;
  return text.left(end);
}

}  // namespace

TTrayIcon::TTrayIcon() : tray_(std::make_unique<QSystemTrayIcon>()) {
  // Qt's tray icon follows the tray host: it embeds the icon again when a host appears, whether
  // the first one or one restarting, as long as the icon is meant to be visible.
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
}

TTrayIcon::~TTrayIcon() {
  tray_->hide();
}

void TTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  tray_->setIcon(icon_);
}

void TTrayIcon::SetHint(const QString& hint) {
  hint_ = hint;
  Update();
}

void TTrayIcon::SetShowHint(bool show) {
  showHint_ = show;
  Update();
}

QString TTrayIcon::ToolTip() const {
  return showHint_ ? FirstCharacters(hint_, kMaxTipLength) : QString();
}

void TTrayIcon::Update() {
  tray_->setToolTip(ToolTip());
}

void TTrayIcon::SetIconVisible(bool visible) {
  iconVisible_ = visible;
  tray_->setVisible(visible);
}

void TTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
  if (!enabled_) return;
  // The tray reports presses; the release that follows a press is reported with it.
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      MouseDown(TMouseButton::Left);
      if (leftPopup_) Popup();
      Click();
      MouseUp(TMouseButton::Left);
      break;
    case QSystemTrayIcon::Context:
      MouseDown(TMouseButton::Right);
      Popup();
      break;
    case QSystemTrayIcon::MiddleClick:
      MouseDown(TMouseButton::Middle);
      MouseUp(TMouseButton::Middle);
      break;
    case QSystemTrayIcon::DoubleClick:  // its first press came as a click already
    case QSystemTrayIcon::Unknown:
      break;
  }
}

void TTrayIcon::MouseDown(TMouseButton button) {
  if (!OnMouseDown) return;
  MouseEvent handler = OnMouseDown;  // it may replace itself
  handler(*this, button, KeyState() | ButtonState(button), QCursor::pos());
}

void TTrayIcon::MouseUp(TMouseButton button) {
  if (!OnMouseUp) return;
  MouseEvent handler = OnMouseUp;
  handler(*this, button, KeyState(), QCursor::pos());
}

void TTrayIcon::Click() {
  if (!OnClick) return;
  NotifyEvent handler = OnClick;
  handler(*this);
}

void TTrayIcon::Popup() {
  QMenu* menu = popupMenu_;
  if (!menu) return;
  menu->popup(QCursor::pos());
  menu->activateWindow();
}

}  // namespace chronolin
