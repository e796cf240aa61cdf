#include "components/tick_timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace chronolin {
namespace {

// Runs the event loop for about `ms` milliseconds.
void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class TickTimerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "components_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
  }
};

TEST_F(TickTimerTest, SharedHandlerLivesAsLongAsTheTimers) {
  EXPECT_FALSE(TTickTimer::HandlerExists());
  {
    TTickTimer a;
    EXPECT_EQ(a.Interval(), 1000);
    EXPECT_FALSE(a.Enabled());
    {
      TTickTimer b(50, nullptr);
      EXPECT_EQ(TTickTimer::HandlerRefCount(), 2);
      EXPECT_TRUE(b.SetEnabled(true));
      EXPECT_EQ(TTickTimer::HandlerActiveCount(), 1);
    }  // destroying a running timer stops it
    EXPECT_EQ(TTickTimer::HandlerRefCount(), 1);
    EXPECT_EQ(TTickTimer::HandlerActiveCount(), 0);
  }
  EXPECT_FALSE(TTickTimer::HandlerExists());
  TTickTimer again;
  EXPECT_TRUE(TTickTimer::HandlerExists());
}

TEST_F(TickTimerTest, ZeroIntervalNeverStarts) {
  TTickTimer t(0, [](TTickTimer&) {});
  EXPECT_FALSE(t.SetEnabled(true));
  EXPECT_FALSE(t.Enabled());
  EXPECT_FALSE(t.Running());
}

TEST_F(TickTimerTest, IntervalChangesOnARunningTimer) {
  int ticks = 0;
  TTickTimer t(1000, [&](TTickTimer&) { ++ticks; });
  ASSERT_TRUE(t.SetEnabled(true));
  Pump(150);
  EXPECT_EQ(ticks, 0);
  t.SetInterval(20);  // takes effect at once
  Pump(200);
  EXPECT_GE(ticks, 3);
  t.SetInterval(0);  // system timer gone, still enabled
  EXPECT_TRUE(t.Enabled());
  EXPECT_FALSE(t.Running());
  const int frozen = ticks;
  Pump(100);
  EXPECT_EQ(ticks, frozen);
  t.SetInterval(20);
  EXPECT_TRUE(t.Running());
  Pump(150);
  EXPECT_GT(ticks, frozen);
}

TEST_F(TickTimerTest, ClearingTheHandlerStopsTicksButKeepsEnabled) {
  int ticks = 0;
  TTickTimer t(20, [&](TTickTimer&) { ++ticks; });
  ASSERT_TRUE(t.SetEnabled(true));
  t.SetOnTimer(nullptr);
  EXPECT_TRUE(t.Enabled());
  EXPECT_FALSE(t.Running());
  EXPECT_EQ(TTickTimer::HandlerActiveCount(), 0);
  t.SetOnTimer([&](TTickTimer&) { ++ticks; });
  Pump(150);
  EXPECT_GT(ticks, 0);
}

TEST_F(TickTimerTest, AutoDisableDeliversOnceAndSenderIsTheTimer) {
  int ticks = 0;
  TTickTimer* seen = nullptr;
  TTickTimer t(20, [&](TTickTimer& sender) {
    ++ticks;
    seen = &sender;
    EXPECT_FALSE(sender.Enabled());  // stopped before the handler runs
  });
  t.SetAutoDisable(true);
  ASSERT_TRUE(t.SetEnabled(true));
  Pump(200);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(seen, &t);
  EXPECT_FALSE(t.Enabled());
}

TEST_F(TickTimerTest, TimersAreDeliveredApartAndCanStopEachOther) {
  int a = 0, b = 0;
  TTickTimer tb(15, [&](TTickTimer&) { ++b; });
  TTickTimer ta(15, [&](TTickTimer&) {
    if (++a == 2) tb.SetEnabled(false);
  });
  ta.SetEnabled(true);
  tb.SetEnabled(true);
  Pump(250);
  EXPECT_GT(a, 5);
  EXPECT_LE(b, 3);
}

}  // namespace
}  // namespace chronolin
