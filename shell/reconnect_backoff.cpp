#include "shell/reconnect_backoff.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zelmo {

ReconnectBackoff::ReconnectBackoff(Random random) : random_(std::move(random)) {}

ReconnectBackoff::Step ReconnectBackoff::Next() {
  Wait nominal = kFirstWait;
  // Doubled one step at a time, so that a long outage cannot overflow it.
  for (int done = 0; done < attempts_ && nominal < kLongestWait; ++done) nominal *= 2;
  nominal = std::min(nominal, kLongestWait);
  const double factor = 1.0 + kJitter * (2.0 * std::clamp(random_(), 0.0, 1.0) - 1.0);
  ++attempts_;
  return {Wait(std::llround(static_cast<double>(nominal.count()) * factor)), attempts_};
}

void ReconnectBackoff::Registered(Clock::time_point now) {
  registered_at_ = now;
}

void ReconnectBackoff::Lost(Clock::time_point now) {
  if (registered_at_ && now - *registered_at_ >= kSteadyLink) attempts_ = 0;
  registered_at_.reset();
}

void ReconnectBackoff::Reset() {
  attempts_ = 0;
  registered_at_.reset();
}

}  // namespace zelmo
