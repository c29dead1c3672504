#include "platform/timer.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace {
int g_busy = 0;  // tick handlers and holds on the stack
std::vector<QPointer<WinTimer>>& held() {
  static std::vector<QPointer<WinTimer>> v;
  return v;
}
}  // namespace

WinTimer::WinTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &WinTimer::fire);
}

bool WinTimer::busy() { return g_busy > 0; }

void WinTimer::restart() {
  pending_ = false;
  if (enabled_ && interval_ > 0) timer_.start(interval_);
  else timer_.stop();
}

void WinTimer::setInterval(int ms) {
  if (ms < 0) ms = 0;
  if (ms == interval_) return;
  interval_ = ms;
  restart();
}

void WinTimer::setEnabled(bool on) {
  enabled_ = on;
  restart();
}

void WinTimer::fire() {
  if (g_busy > 0) {
    if (!pending_) {
      pending_ = true;
      held().push_back(this);
    }
    return;
  }
  deliver();
}

void WinTimer::deliver() {
  pending_ = false;
  if (!enabled_ || interval_ <= 0 || !onTick) return;
  ++g_busy;
  struct Leave {
    ~Leave() {
      if (--g_busy == 0) WinTimer::releaseHeld();
    }
  } leave;
  onTick();
}

void WinTimer::releaseHeld() {
  if (held().empty()) return;
  // Delivered from the event loop, after the handler that held them returned.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [] {
        auto list = std::move(held());
        held().clear();
        for (auto& t : list) {
          if (!t || !t->pending_) continue;
          if (g_busy == 0) t->deliver();
          else held().push_back(t);
        }
      },
      Qt::QueuedConnection);
}

TimerHold::TimerHold() { ++g_busy; }
TimerHold::~TimerHold() {
  if (--g_busy == 0) WinTimer::releaseHeld();
}

void VirtualTimer::restart() {
  armed_ = enabled_ && interval_ > 0;
  if (!armed_) return;
  due_ = clock_.now_ + interval_;
  order_ = ++clock_.arms_;
}

void VirtualTimer::setInterval(int ms) {
  if (ms < 0) ms = 0;
  if (ms == interval_) return;
  interval_ = ms;
  restart();
}

void VirtualTimer::setEnabled(bool on) {
  enabled_ = on;
  restart();
}

VirtualTimer* VirtualClock::makeTimer() {
  timers_.push_back(std::make_unique<VirtualTimer>(*this));
  return timers_.back().get();
}

VirtualTimer* VirtualClock::nextDue() const {
  VirtualTimer* best = nullptr;
  for (const auto& t : timers_) {
    if (!t->armed_) continue;
    if (!best || t->due_ < best->due_ || (t->due_ == best->due_ && t->order_ < best->order_))
      best = t.get();
  }
  return best;
}

bool VirtualClock::runNext(qint64 limit) {
  VirtualTimer* t = nextDue();
  if (!t || t->due_ > limit) return false;
  now_ = std::max(now_, t->due_);
  // A periodic timer counts on from when it fell due.
  t->due_ += t->interval_;
  t->order_ = ++arms_;
  if (t->onTick) t->onTick();
  return true;
}

void VirtualClock::advanceTo(qint64 t) {
  while (runNext(t)) {}
  now_ = std::max(now_, t);
}
