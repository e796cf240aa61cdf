#pragma once
// An icon with a tooltip in the desktop's notification area. Turns what the tray reports into
// mouse events and shows a popup menu from it. The tray host (a panel) may start after the
// program or restart under it: the icon is put back each time it comes back.
#include <QIcon>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "components/tick_timer.h"

namespace chronolin {

enum class TMouseButton { Left, Right, Middle };

// What the tray reports about the mouse over the icon.
enum class TTrayMessage {
  MouseMove,
  LButtonDown,
  LButtonUp,
  LButtonDblClk,
  RButtonDown,
  RButtonUp,
  MButtonDown,
  MButtonUp,
};

// Shift state of a mouse event: keys held and the button.
enum TShiftState : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
};

class TTrayIcon {
 public:
  using NotifyEvent = std::function<void(TTrayIcon& sender)>;
  // Button, shift state, cursor position in screen coordinates.
  using MouseEvent =
      std::function<void(TTrayIcon& sender, TMouseButton button, unsigned shift, QPoint pos)>;
  using MouseMoveEvent = std::function<void(TTrayIcon& sender, unsigned shift, QPoint pos)>;

  // The longest tooltip the tray is given.
  static constexpr int kMaxTipLength = 127;

  TTrayIcon();
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  const QIcon& Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);

  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);
  // What the tray shows: the hint cut to kMaxTipLength characters, or nothing.
  QString ToolTip() const;

  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool visible);

  // While false, what the tray reports is ignored.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  // The menu shown by a right press (and a left one with LeftPopup). Assignable and clearable at
  // any time; cleared by itself when the menu is destroyed.
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  bool LeftPopup() const { return leftPopup_; }
  void SetLeftPopup(bool value) { leftPopup_ = value; }

  // Events. Any of them may be replaced or cleared at any time, from inside a handler too.
  // With OnDblClick set, a click is reported only once the double-click time has passed
  // without a second press. (Icon cycling, balloons and enter/exit events are not used: left
  // out.)
  NotifyEvent OnClick, OnDblClick;
  MouseEvent OnMouseDown, OnMouseUp;
  MouseMoveEvent OnMouseMove;

  // One report of the tray, turned into events (the handler window's part). The platform's
  // reports arrive here; so do a test's.
  void Notify(TTrayMessage message);

  // The platform's tray icon. Where the icon is embedded in an X11 tray, every press, release
  // and move over it is reported; through a desktop's notifier service only clicks are.
  QSystemTrayIcon& Native() { return *tray_; }
  // The click timer, started by a left press while OnDblClick is set.
  TTickTimer& ClickTimer() { return clickTimer_; }

 private:
  class MouseFilter;
  void Activated(QSystemTrayIcon::ActivationReason reason);
  void MouseDown(TMouseButton button);
  void MouseUp(TMouseButton button);
  void MouseMove();
  void Click();
  void DblClick();
  void ClickTimerTimer();
  void Popup();
  void Update();

  std::unique_ptr<QSystemTrayIcon> tray_;
  QIcon icon_;
  QString hint_;
  bool showHint_ = true;
  bool iconVisible_ = false;
  bool enabled_ = true;
  bool leftPopup_ = false;
  QPointer<QMenu> popupMenu_;
  TTickTimer clickTimer_;
  bool leftDown_ = false;      // a left press not yet released
  bool clickPending_ = false;  // released while a double click could still follow
  std::unique_ptr<MouseFilter> mouseFilter_;
};

}  // namespace chronolin
