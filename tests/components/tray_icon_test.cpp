#include "components/tray_icon.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>

#include <string>
#include <vector>

namespace chronolin {
namespace {

// What the tray reports arrives as QSystemTrayIcon::activated; the tests report it the same way.
class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tray.OnMouseDown = [this](TTrayIcon&, TMouseButton button, unsigned shift, QPoint) {
      events.push_back(std::string("down ") + Name(button));
      shifts.push_back(shift);
      menuShownAtDown.push_back(menu.isVisible());
    };
    tray.OnMouseUp = [this](TTrayIcon&, TMouseButton button, unsigned, QPoint) {
      events.push_back(std::string("up ") + Name(button));
    };
    tray.OnClick = [this](TTrayIcon&) { events.emplace_back("click"); };
    tray.SetPopupMenu(&menu);
    menu.addAction(QStringLiteral("Quitter"));
  }
  void TearDown() override { menu.hide(); }

  static const char* Name(TMouseButton button) {
    switch (button) {
      case TMouseButton::Left:
        return "left";
      case TMouseButton::Right:
        return "right";
      case TMouseButton::Middle:
        return "middle";
    }
    return "";
  }

  void Report(QSystemTrayIcon::ActivationReason reason) {
    emit tray.Native().activated(reason);
    QApplication::processEvents();
  }

  QMenu menu;
  TTrayIcon tray;
  std::vector<std::string> events;
  std::vector<unsigned> shifts;
  std::vector<bool> menuShownAtDown;
};

TEST_F(TrayIconTest, RightPressGivesMouseDownThenThePopup) {
  Report(QSystemTrayIcon::Context);
  EXPECT_EQ(events, (std::vector<std::string>{"down right", "up right"}));
  EXPECT_TRUE(shifts.at(0) & ssRight);
  EXPECT_FALSE(menuShownAtDown.at(0));
  EXPECT_TRUE(menu.isVisible());
  menu.hide();

  // Cleared, or destroyed: a right press only reports the press.
  tray.SetPopupMenu(nullptr);
  Report(QSystemTrayIcon::Context);
  EXPECT_FALSE(menu.isVisible());
  {
    QMenu gone;
    tray.SetPopupMenu(&gone);
  }
  EXPECT_EQ(tray.PopupMenu(), nullptr);
  Report(QSystemTrayIcon::Context);
  EXPECT_EQ(events.size(), 6u);
}

TEST_F(TrayIconTest, LeftPressGivesDownUpClickAndNoMenu) {
  Report(QSystemTrayIcon::Trigger);
  EXPECT_EQ(events, (std::vector<std::string>{"down left", "click", "up left"}));
  EXPECT_FALSE(menu.isVisible());

  events.clear();
  Report(QSystemTrayIcon::MiddleClick);
  EXPECT_EQ(events, (std::vector<std::string>{"down middle", "up middle"}));

  events.clear();
  tray.SetEnabled(false);
  Report(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(events.empty());
}

// The embedded icon's own mouse events: presses, releases, double clicks and moves.
TEST_F(TrayIconTest, DoubleClickWaitsOutTheClickTimerAndMovesAndReleasesAreReported) {
  tray.OnDblClick = [this](TTrayIcon&) { events.emplace_back("double"); };
  tray.OnMouseMove = [this](TTrayIcon&, unsigned, QPoint) { events.emplace_back("move"); };
  QAction* fallback = menu.addAction(QStringLiteral("Ouvrir"));
  menu.setDefaultAction(fallback);
  int defaults = 0;
  QObject::connect(fallback, &QAction::triggered, [&] { ++defaults; });

  // A double click: no click for its first half, the menu's default item answers.
  tray.Notify(TTrayMessage::LButtonDown);
  tray.Notify(TTrayMessage::LButtonUp);
  EXPECT_TRUE(tray.ClickTimer().Enabled());
  tray.Notify(TTrayMessage::LButtonDblClk);
  tray.Notify(TTrayMessage::LButtonUp);
  EXPECT_EQ(events, (std::vector<std::string>{"down left", "up left", "double", "up left"}));
  EXPECT_EQ(defaults, 1);
  EXPECT_FALSE(tray.ClickTimer().Enabled());

  // A single click is reported once the double-click time has passed.
  events.clear();
  tray.Notify(TTrayMessage::MouseMove);
  tray.Notify(TTrayMessage::LButtonDown);
  tray.Notify(TTrayMessage::LButtonUp);
  EXPECT_EQ(events, (std::vector<std::string>{"move", "down left", "up left"}));
  QElapsedTimer clock;
  clock.start();
  while (tray.ClickTimer().Enabled() && clock.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(events.back(), "click");

  // The right button's release comes after the popup; the left one opens no menu.
  events.clear();
  tray.Notify(TTrayMessage::RButtonDown);
  EXPECT_TRUE(menu.isVisible());
  tray.Notify(TTrayMessage::RButtonUp);
  EXPECT_EQ(events, (std::vector<std::string>{"down right", "up right"}));
  EXPECT_EQ(defaults, 1);
}

TEST_F(TrayIconTest, TooltipIsTheHintCutTo127Characters) {
  tray.SetHint(QString(200, u'a'));
  EXPECT_EQ(tray.ToolTip(), QString(127, u'a'));
  EXPECT_EQ(tray.Native().toolTip(), tray.ToolTip());

  // Characters, not UTF-16 units: a character outside the basic plane is never cut in two.
  const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");
  tray.SetHint(QString(126, u'b') + clef + clef);
  EXPECT_EQ(tray.ToolTip(), QString(126, u'b') + clef);

  tray.SetShowHint(false);
  EXPECT_TRUE(tray.Native().toolTip().isEmpty());
  tray.SetShowHint(true);
  tray.SetHint(QStringLiteral("Chronolin"));
  EXPECT_EQ(tray.Native().toolTip(), QStringLiteral("Chronolin"));
}

}  // namespace
}  // namespace chronolin
