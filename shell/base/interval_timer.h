#pragma once

#include "shell/base/ui_port.h"

namespace zelmo {

// The rules of every front end's timer, those of the desktop timers the
// logic was written for: created disabled with an interval of 1000 ms; a
// negative interval counts as 0, and an interval of 0 never ticks; enabling
// the timer, or changing the interval of an enabled one, starts its period
// anew. A front end's timer derives from it and only starts and stops its
// clock.
class IntervalTimer : public UiTimer {
 public:
  void SetInterval(int milliseconds) final;
  void SetEnabled(bool enabled) final;
  bool Enabled() const final { return enabled_; }

 protected:
  // Starts the clock's period anew, to tick every period_ms milliseconds,
  // or stops it when period_ms is 0.
  virtual void Schedule(int period_ms) = 0;

 private:
  int interval_ = 1000;
  bool enabled_ = false;
};

}  // namespace zelmo
