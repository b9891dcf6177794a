#pragma once

#include <QTimer>
#include <functional>

#include "shell/base/ui_port.h"

namespace zelmo {

// A UiTimer on the event loop. Like the desktop timers the logic was written
// for, an interval of 0 never ticks, and changing the interval of a running
// timer starts its period anew.
class QtTimer : public UiTimer {
 public:
  explicit QtTimer(std::function<void()> on_tick);

  void SetInterval(int milliseconds) override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }

 private:
  void Apply();

  QTimer timer_;
  std::function<void()> on_tick_;
  int interval_ = 1000;
  bool enabled_ = false;
};

}  // namespace zelmo
