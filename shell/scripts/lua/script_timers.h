#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>

#include "shell/scripts/script_engine.h"

namespace zelmo {

// A script's timers, on the host's user-interface timers. Each has a number;
// the script's state keeps the function to call under that number.
class ScriptTimers {
 public:
  static constexpr std::size_t kMaxTimers = 64;
  static constexpr double kLeastRepeatSeconds = 1;
  static constexpr double kMostSeconds = 24 * 24 * 3600;  // fits the timers' milliseconds

  ScriptTimers(ScriptHost& host, std::function<void(int number)> on_tick)
      : host_(host), on_tick_(std::move(on_tick)) {}

  // Raises Exception with the reason when the interval is out of range or
  // the script has kMaxTimers running.
  int Start(double seconds, bool repeat);
  // What a tick means: nothing (stopped meanwhile), the last call of a
  // one-time timer (stopped now; kept until the next Start, as it is inside
  // its own tick), or one call of a repeating one.
  enum class Tick { Stopped, Last, Again };
  Tick Ticked(int number);
  // False when it had already stopped.
  bool Cancel(int number);
  std::size_t Running() const;

 private:
  struct Timer {
    std::unique_ptr<UiTimer> timer;
    bool repeat = false;
    bool running = true;
  };
  void DropStopped();

  ScriptHost& host_;
  std::function<void(int number)> on_tick_;
  std::map<int, Timer> timers_;
  int next_ = 1;
  int ticking_ = 0;
};

}  // namespace zelmo
