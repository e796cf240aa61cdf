#include "components/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <optional>

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

// The window Qt embeds in an X11 tray reports presses only, as activations. Its raw mouse
// events carry what the tray promises besides: releases, double clicks and moves. Qt makes that
// window (and makes it again) as tray hosts come and go, so the whole application is watched for
// it; the first tray icon to see one keeps it.
class TTrayIcon::MouseFilter : public QObject {
 public:
  explicit MouseFilter(TTrayIcon& owner) : owner_(owner) { qApp->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    std::optional<TTrayMessage> message;
    switch (event->type()) {
      case QEvent::MouseMove:
        message = TTrayMessage::MouseMove;
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        message = ButtonMessage(event->type(), static_cast<const QMouseEvent*>(event)->button());
        if (!message) return false;
        break;
      default:
        return false;
    }
    if (!IsTrayWindow(watched)) return false;
    owner_.Notify(*message);
    return true;  // Qt's own activation would report the press a second time
  }

 private:
  static constexpr char kOwner[] = "chronolinTrayIcon";

  bool IsTrayWindow(QObject* watched) {
    if (!watched->isWidgetType() ||
        qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") != 0)
      return false;
    const QVariant owner = watched->property(kOwner);
    if (!owner.isValid()) watched->setProperty(kOwner, QVariant::fromValue<void*>(this));
    return watched->property(kOwner).value<void*>() == this;
  }

  static std::optional<TTrayMessage> ButtonMessage(QEvent::Type type, Qt::MouseButton button) {
    const bool down = type == QEvent::MouseButtonPress;
    switch (button) {
      case Qt::LeftButton:
        if (type == QEvent::MouseButtonDblClick) return TTrayMessage::LButtonDblClk;
        return down ? TTrayMessage::LButtonDown : TTrayMessage::LButtonUp;
      case Qt::RightButton:
        if (type == QEvent::MouseButtonDblClick) return TTrayMessage::RButtonDown;
        return down ? TTrayMessage::RButtonDown : TTrayMessage::RButtonUp;
      case Qt::MiddleButton:
        if (type == QEvent::MouseButtonDblClick) return TTrayMessage::MButtonDown;
        return down ? TTrayMessage::MButtonDown : TTrayMessage::MButtonUp;
      default:
        return std::nullopt;
    }
  }

  TTrayIcon& owner_;
};

TTrayIcon::TTrayIcon() : tray_(std::make_unique<QSystemTrayIcon>()) {
  // Qt's tray icon follows the tray host: it embeds the icon again when a host appears, whether
  // the first one or one restarting, as long as the icon is meant to be visible.
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
  clickTimer_.SetInterval(QApplication::doubleClickInterval());
  clickTimer_.SetAutoDisable(true);
  clickTimer_.SetOnTimer([this](TTickTimer&) { ClickTimerTimer(); });
  if (qApp) mouseFilter_ = std::make_unique<MouseFilter>(*this);
}

TTrayIcon::~TTrayIcon() {
  mouseFilter_.reset();
  clickTimer_.SetEnabled(false);
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
  // Activations come from a notifier service, which reports clicks, not presses and releases.
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      Notify(TTrayMessage::LButtonDown);
      Notify(TTrayMessage::LButtonUp);
      break;
    case QSystemTrayIcon::Context:
      Notify(TTrayMessage::RButtonDown);
      Notify(TTrayMessage::RButtonUp);
      break;
    case QSystemTrayIcon::MiddleClick:
      Notify(TTrayMessage::MButtonDown);
      Notify(TTrayMessage::MButtonUp);
      break;
    case QSystemTrayIcon::DoubleClick:  // its first press came as a click already
      Notify(TTrayMessage::LButtonDblClk);
      Notify(TTrayMessage::LButtonUp);
      break;
    case QSystemTrayIcon::Unknown:
      break;
  }
}

void TTrayIcon::Notify(TTrayMessage message) {
  if (!enabled_) return;
  switch (message) {
    case TTrayMessage::MouseMove:
      MouseMove();
      break;
    case TTrayMessage::LButtonDown:
      if (OnDblClick) {
        clickPending_ = false;
        clickTimer_.SetEnabled(true);
      }
      MouseDown(TMouseButton::Left);
      leftDown_ = true;
      if (leftPopup_) Popup();
      break;
    case TTrayMessage::LButtonUp:
      if (leftDown_) {
        leftDown_ = false;
        if (clickTimer_.Enabled())
          clickPending_ = true;  // reported when the timer runs out, unless a double click
        else
          Click();
      }
      MouseUp(TMouseButton::Left);
      break;
    case TTrayMessage::LButtonDblClk:
      clickTimer_.SetEnabled(false);
      clickPending_ = false;
      leftDown_ = false;
      DblClick();
      break;
    case TTrayMessage::RButtonDown:
      MouseDown(TMouseButton::Right);
      Popup();
      break;
    case TTrayMessage::RButtonUp:
      MouseUp(TMouseButton::Right);
      break;
    case TTrayMessage::MButtonDown:
      MouseDown(TMouseButton::Middle);
      break;
    case TTrayMessage::MButtonUp:
      MouseUp(TMouseButton::Middle);
      break;
  }
}

void TTrayIcon::ClickTimerTimer() {
  if (!clickPending_) return;
  clickPending_ = false;
  Click();
}

void TTrayIcon::DblClick() {
  if (OnDblClick) {
    NotifyEvent handler = OnDblClick;
    handler(*this);
  }
  // The menu's default item answers a double click, unless the left button opens the menu.
  if (leftPopup_) return;
  if (QMenu* menu = popupMenu_; menu && menu->defaultAction()) menu->defaultAction()->trigger();
}

void TTrayIcon::MouseMove() {
  if (!OnMouseMove) return;
  MouseMoveEvent handler = OnMouseMove;
  handler(*this, KeyState(), QCursor::pos());
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
