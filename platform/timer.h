// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Window timers with the semantics the program relies on: an interval of 0
// never fires, switching a timer on restarts its countdown, and a tick is
// never delivered nested inside another tick or inside a blocking wait
// (`TimerHold`): a tick that falls due meanwhile is delivered once, later,
// from the event loop.
#include <QObject>
#include <QTimer>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  virtual void setEnabled(bool on) = 0;
  virtual bool enabled() const = 0;
  // Called on every tick.
  std::function<void()> onTick;
};

class WinTimer : public QObject, public Timer {
  Q_OBJECT
 public:
  explicit WinTimer(QObject* parent = nullptr);
  void setInterval(int ms) override;
  int interval() const override { return interval_; }
  void setEnabled(bool on) override;
  bool enabled() const override { return enabled_; }

  // True while a tick handler or a hold is running.
  static bool busy();

 private:
  friend class TimerHold;
  void fire();
  void deliver(bool held);
  void restart();
  void arm(qint64 now);
  static void releaseHeld();

  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = false;
  bool pending_ = false;
  qint64 dueNs_ = 0;  // when the next tick is due, on a monotonic clock
  qint64 dueAt_ = 0;  // when the tick being delivered was due
};

// Held while the program blocks in a wait of its own (a sound that plays
// to its end) with the event loop running; ticks wait until it ends.
class TimerHold {
 public:
  TimerHold();
  ~TimerHold();
  TimerHold(const TimerHold&) = delete;
  TimerHold& operator=(const TimerHold&) = delete;
};

// Time that moves only when told: timers with the semantics of `WinTimer`
// whose ticks come in the order they fall due, at the exact millisecond.
// Tests drive the reading with it, and the reading is rendered offline with
// it as fast as the machine goes.
class VirtualClock;

class VirtualTimer : public Timer {
 public:
  explicit VirtualTimer(VirtualClock& clock) : clock_(clock) {}
  void setInterval(int ms) override;
  int interval() const override { return interval_; }
  void setEnabled(bool on) override;
  bool enabled() const override { return enabled_; }

 private:
  friend class VirtualClock;
  void restart();

  VirtualClock& clock_;
  int interval_ = 0;
  bool enabled_ = false;
  bool armed_ = false;
  qint64 due_ = 0;
  quint64 order_ = 0;  // ties go to the timer armed first
};

class VirtualClock {
 public:
  qint64 now() const { return now_; }
  // A timer of this clock, owned by the clock.
  VirtualTimer* makeTimer();
  // Delivers every tick that falls due up to `t`, in order, then stands at `t`.
  void advanceTo(qint64 t);
  void advanceBy(qint64 ms) { advanceTo(now_ + ms); }
  // Moves to the next tick and delivers it; false when no timer runs or the
  // next tick lies beyond `limit`.
  bool runNext(qint64 limit = std::numeric_limits<qint64>::max());

 private:
  friend class VirtualTimer;
  VirtualTimer* nextDue() const;

  qint64 now_ = 0;
  quint64 arms_ = 0;
  std::vector<std::unique_ptr<VirtualTimer>> timers_;
};
