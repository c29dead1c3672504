#pragma once
// Window timers with the semantics the program relies on: an interval of 0
// never fires, switching a timer on restarts its countdown, and a tick is
// never delivered nested inside another tick or inside a blocking wait
// (`TimerHold`): a tick that falls due meanwhile is delivered once, later,
// from the event loop.
#include <QObject>
#include <QTimer>
#include <functional>

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
  void deliver();
  void restart();
  static void releaseHeld();

  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = false;
  bool pending_ = false;
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
