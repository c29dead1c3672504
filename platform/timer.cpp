// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace {
int g_busy = 0;  // tick handlers and holds on the stack
// While a tick that came on time is delivered: the moment it was due (ns
// on the monotonic clock), -1 otherwise.
qint64 g_dueNs = -1;
// How much of a tick's lateness a timer switched on in its handler makes up.
constexpr qint64 kMaxCatchUpNs = 50'000'000;
const QElapsedTimer& monotonic() {
  static const QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock;
}
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
  if (!enabled_ || interval_ <= 0) {
    timer_.stop();
    return;
  }
  // Switched on by the handler of a tick that came late, the countdown
  // starts when that tick was due: the lateness of one timer is not added
  // to the next one it starts.
  const qint64 now = monotonic().nsecsElapsed();
  const qint64 from = g_dueNs >= 0 ? std::clamp(g_dueNs, now - kMaxCatchUpNs, now) : now;
  dueNs_ = from + qint64(interval_) * 1'000'000;
  arm(now);
}

void WinTimer::arm(qint64 now) {
  timer_.setSingleShot(true);
  timer_.start(int(std::max<qint64>(0, (dueNs_ - now + 500'000) / 1'000'000)));
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
  // The next tick of the period, counted from when this one was due (from
  // now when the program was held up for longer than a period).
  const qint64 now = monotonic().nsecsElapsed();
  dueAt_ = dueNs_;
  dueNs_ += qint64(interval_) * 1'000'000;
  if (dueNs_ <= now) dueNs_ = now + qint64(interval_) * 1'000'000;
  arm(now);
  if (g_busy > 0) {
    if (!pending_) {
      pending_ = true;
      held().push_back(this);
    }
    return;
  }
  deliver(false);
}

void WinTimer::deliver(bool held) {
  pending_ = false;
  if (!enabled_ || interval_ <= 0 || !onTick) return;
  ++g_busy;
  // A held tick comes late on purpose: what it starts counts from now.
  const qint64 outerDue = g_dueNs;
  g_dueNs = held ? -1 : dueAt_;
  struct Leave {
    qint64 due;
    ~Leave() {
      g_dueNs = due;
      if (--g_busy == 0) WinTimer::releaseHeld();
    }
  } leave{outerDue};
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
          if (g_busy == 0) t->deliver(true);
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
