#include "irc/session/keepalive.h"

#include <algorithm>

namespace zelmo {

Keepalive::Keepalive(Duration interval, TimePoint start)
    : interval_(std::max(interval, Duration{0})), last_heard_(start) {}

void Keepalive::Heard(TimePoint when) {
  last_heard_ = std::max(last_heard_, when);
  if (ping_sent_ && last_heard_ >= *ping_sent_) ping_sent_.reset();
}

Keepalive::Step Keepalive::Check(TimePoint now) {
  if (interval_.count() == 0) return Step::Wait;
  if (!ping_sent_) {
    if (now - last_heard_ < interval_) return Step::Wait;
    ping_sent_ = now;
    return Step::SendPing;
  }
  return now - *ping_sent_ < interval_ ? Step::Wait : Step::LinkLost;
}

std::optional<Keepalive::TimePoint> Keepalive::NextCheck() const {
  if (interval_.count() == 0) return std::nullopt;
  return (ping_sent_ ? *ping_sent_ : last_heard_) + interval_;
}

}  // namespace zelmo
