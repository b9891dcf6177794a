#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace zelmo {

// When to try again after the link was lost: 2 s before the first attempt,
// twice as long before each further one, never longer than 300 s, each wait
// moved by up to 20 % either way so that many bots dropped together do not
// come back together. The count starts again once a link has held: it was
// registered and stayed up for a minute. A server that drops the bot right
// after its welcome is therefore not hammered every two seconds.
class ReconnectBackoff {
 public:
  using Clock = std::chrono::steady_clock;
  using Wait = std::chrono::milliseconds;
  // A number in [0, 1), drawn for each wait.
  using Random = std::function<double()>;

  static constexpr Wait kFirstWait{2000};
  static constexpr Wait kLongestWait{300000};
  static constexpr double kJitter = 0.2;
  static constexpr Wait kSteadyLink{60000};

  struct Step {
    Wait wait;
    int attempt;  // 1 for the first attempt after the loss
  };

  explicit ReconnectBackoff(Random random);

  // The wait before the next attempt, and its number.
  Step Next();
  // The server welcomed the bot at `now`.
  void Registered(Clock::time_point now);
  // The link was lost at `now`.
  void Lost(Clock::time_point now);
  // The operator connected or disconnected: the next loss starts afresh.
  void Reset();

 private:
  Random random_;
  int attempts_ = 0;
  std::optional<Clock::time_point> registered_at_;
};

}  // namespace zelmo
