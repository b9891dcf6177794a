#include "shell/ui/qt/qt_timer.h"

#include "shell/ui/qt/guarded_call.h"

namespace zelmo {

QtTimer::QtTimer(std::function<void()> on_tick) : on_tick_(std::move(on_tick)) {
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    if (on_tick_) GuardedCall(nullptr, on_tick_);
  });
}

void QtTimer::SetInterval(int milliseconds) {
  interval_ = milliseconds < 0 ? 0 : milliseconds;
  Apply();
}

void QtTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

void QtTimer::Apply() {
  if (enabled_ && interval_ > 0) {
    timer_.start(interval_);
  } else {
    timer_.stop();
  }
}

}  // namespace zelmo
