// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A timer that only records: tests fire it by hand.
#include <vector>

#include "platform/timer.h"

class FakeTimer : public Timer {
 public:
  struct Change {
    bool enabled;
    int interval;
  };
  std::vector<Change> changes;

  void setInterval(int ms) override {
    interval_ = ms;
    changes.push_back({enabled_, interval_});
  }
  int interval() const override { return interval_; }
  void setEnabled(bool on) override {
    enabled_ = on;
    changes.push_back({enabled_, interval_});
  }
  bool enabled() const override { return enabled_; }
  // Delivers one tick if the timer would fire.
  bool fire() {
    if (!enabled_ || interval_ <= 0 || !onTick) return false;
    onTick();
    return true;
  }

 private:
  int interval_ = 0;
  bool enabled_ = false;
};
