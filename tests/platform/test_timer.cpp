// SPDX-License-Identifier: GPL-3.0-or-later
// Window timers: 0 never fires, switching on restarts the countdown, and a
// tick never arrives nested inside another handler.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include "platform/timer.h"
#include "support/wait.h"

namespace {

void spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST(WinTimer, IntervalZeroNeverFires) {
  WinTimer t;
  int ticks = 0;
  t.onTick = [&] { ++ticks; };
  t.setEnabled(true);
  t.setInterval(0);
  spin(100);
  EXPECT_EQ(ticks, 0);
  t.setInterval(10);
  ASSERT_TRUE(waitUntil([&] { return ticks > 0; }, 2000));  // fires after all
}

TEST(WinTimer, DisabledTimerDoesNotFire) {
  WinTimer t;
  int ticks = 0;
  t.onTick = [&] { ++ticks; };
  t.setInterval(10);
  spin(80);
  EXPECT_EQ(ticks, 0);
}

TEST(WinTimer, SwitchingOnRestartsTheCountdown) {
  WinTimer t;
  int ticks = 0;
  t.onTick = [&] { ++ticks; };
  t.setInterval(400);
  QElapsedTimer clock;
  t.setEnabled(true);
  clock.start();
  spin(250);
  t.setEnabled(true);  // counts 400 ms from here
  const qint64 restartedAt = clock.elapsed();
  spin(250);
  // Only meaningful when the machine kept time well enough.
  if (clock.elapsed() < restartedAt + 390 && restartedAt < 390) { EXPECT_EQ(ticks, 0); }
  ASSERT_TRUE(waitUntil([&] { return ticks > 0; }, 3000));
  EXPECT_EQ(ticks, 1);
}

TEST(WinTimer, TickFallingDueInsideAHandlerRunsOnceAfterIt) {
  WinTimer outer, inner;
  int innerTicks = 0;
  bool innerRanInsideOuter = false;
  bool inOuter = false;
  inner.setInterval(10);
  inner.onTick = [&] {
    ++innerTicks;
    if (inOuter) innerRanInsideOuter = true;
  };
  outer.setInterval(5);
  outer.onTick = [&] {
    outer.setEnabled(false);
    inOuter = true;
    inner.setEnabled(true);
    spin(150);  // a nested event loop, as a blocking sound has
    inOuter = false;
    inner.setEnabled(false);
    inner.setEnabled(true);  // re-armed, but the held tick is still delivered
  };
  outer.setEnabled(true);
  ASSERT_TRUE(waitUntil([&] { return innerTicks >= 1; }, 3000));
  EXPECT_FALSE(innerRanInsideOuter);
  inner.setEnabled(false);
}

TEST(WinTimer, HoldDefersTicksAndDeliversOneAfterwards) {
  WinTimer t;
  int ticks = 0;
  t.setInterval(10);
  t.onTick = [&] {
    ++ticks;
    t.setEnabled(false);
  };
  {
    TimerHold hold;
    t.setEnabled(true);
    spin(120);  // several intervals fall due meanwhile
    EXPECT_EQ(ticks, 0);
  }
  EXPECT_EQ(ticks, 0);  // not inside the code that held them either
  spin(50);
  EXPECT_EQ(ticks, 1);
}

// A tick held back is delivered as soon as the hold or the handler ends,
// not left to the next ordinary tick: with an interval of 300 ms a lost
// tick would show as a wait of about 300 ms more.
TEST(WinTimer, AHeldTickComesRightAfterTheHoldNotAtTheNextInterval) {
  const struct {
    const char* name;
    bool inHandler;  // held by a running tick handler rather than a hold
  } cases[] = {{"hold", false}, {"handler", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WinTimer t, outer;
    int ticks = 0;
    t.setInterval(300);
    t.onTick = [&] { ++ticks; };
    auto holdFor = [&](int ms) {
      // The tick falls due 300 ms after the switch-on, inside the wait.
      t.setEnabled(true);
      spin(ms);
    };
    QElapsedTimer released;
    if (c.inHandler) {
      outer.setInterval(1);
      outer.onTick = [&] {
        outer.setEnabled(false);
        holdFor(400);
        released.start();
      };
      outer.setEnabled(true);
      ASSERT_TRUE(waitUntil([&] { return released.isValid(); }, 3000));
    } else {
      {
        TimerHold hold;
        holdFor(400);
      }
      released.start();
    }
    EXPECT_EQ(ticks, 0);
    ASSERT_TRUE(waitUntil([&] { return ticks >= 1; }, 3000));
    EXPECT_LT(released.elapsed(), 150);
    t.setEnabled(false);
  }
}

}  // namespace
