#include "shell/ui/qt/qt_timer.h"

#include "shell/ui/qt/guarded_call.h"

namespace zelmo {

QtTimer::QtTimer(std::function<void()> on_tick) : on_tick_(std::move(on_tick)) {
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    if (on_tick_) GuardedCall(nullptr, on_tick_);
  });
}

void QtTimer::Schedule(int period_ms) {
  if (period_ms > 0) {
    timer_.start(period_ms);
  } else {
    timer_.stop();
  }
}

}  // namespace zelmo
