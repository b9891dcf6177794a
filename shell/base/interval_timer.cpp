#include "shell/base/interval_timer.h"

namespace zelmo {

void IntervalTimer::SetInterval(int milliseconds) {
  interval_ = milliseconds < 0 ? 0 : milliseconds;
  if (enabled_) Schedule(interval_);
}

void IntervalTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Schedule(enabled_ ? interval_ : 0);
}

}  // namespace zelmo
