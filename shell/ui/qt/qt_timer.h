#pragma once

#include <QTimer>
#include <functional>

#include "shell/base/interval_timer.h"

namespace zelmo {

// An IntervalTimer on the event loop.
class QtTimer : public IntervalTimer {
 public:
  explicit QtTimer(std::function<void()> on_tick);

 protected:
  void Schedule(int period_ms) override;

 private:
  QTimer timer_;
  std::function<void()> on_tick_;
};

}  // namespace zelmo
