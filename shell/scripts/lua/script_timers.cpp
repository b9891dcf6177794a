#include "shell/scripts/lua/script_timers.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "shell/base/errors.h"

namespace zelmo {

int ScriptTimers::Start(double seconds, bool repeat) {
  const double least = repeat ? kLeastRepeatSeconds : 0;
  if (!(seconds >= least && seconds <= kMostSeconds)) {
    throw Exception("the interval must be from " + std::to_string(static_cast<int>(least)) +
                    " to " + std::to_string(static_cast<long>(kMostSeconds)) + " seconds");
  }
  DropStopped();
  if (Running() >= kMaxTimers) {
    throw Exception("a script may have at most " + std::to_string(kMaxTimers) + " timers");
  }
  const int number = next_++;
  Timer& entry = timers_[number];
  entry.repeat = repeat;
  entry.timer = host_.CreateTimer([this, number] {
    ticking_ = number;
    on_tick_(number);
    ticking_ = 0;
  });
  // A timer of no interval never fires: the shortest one waits a millisecond.
  entry.timer->SetInterval(std::max(1, static_cast<int>(std::lround(seconds * 1000))));
  entry.timer->SetEnabled(true);
  return number;
}

ScriptTimers::Tick ScriptTimers::Ticked(int number) {
  auto found = timers_.find(number);
  if (found == timers_.end() || !found->second.running) return Tick::Stopped;
  if (found->second.repeat) return Tick::Again;
  found->second.running = false;
  found->second.timer->SetEnabled(false);
  return Tick::Last;
}

bool ScriptTimers::Cancel(int number) {
  auto found = timers_.find(number);
  if (found == timers_.end() || !found->second.running) return false;
  found->second.running = false;
  found->second.timer->SetEnabled(false);
  return true;
}

std::size_t ScriptTimers::Running() const {
  return std::count_if(timers_.begin(), timers_.end(),
                       [](const auto& entry) { return entry.second.running; });
}

void ScriptTimers::DropStopped() {
  std::erase_if(timers_, [this](const auto& entry) {
    return !entry.second.running && entry.first != ticking_;
  });
}

}  // namespace zelmo
