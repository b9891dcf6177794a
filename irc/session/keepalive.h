#pragma once

#include <chrono>
#include <optional>

namespace zelmo {

// Notices a link that has gone silent: after `interval` without a byte from
// the server it asks for a PING, and when another `interval` passes without
// a byte the link counts as lost. An interval of 0 turns it off. The clock
// is passed in, so no decision here waits or reads the time.
class Keepalive {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::milliseconds;
  enum class Step { Wait, SendPing, LinkLost };

  Keepalive(Duration interval, TimePoint start);

  // Bytes arrived from the server at `when`.
  void Heard(TimePoint when);
  // What is due at `now`. LinkLost holds until something is heard.
  Step Check(TimePoint now);
  // When Check has something to do next; none when off.
  std::optional<TimePoint> NextCheck() const;

 private:
  Duration interval_;
  TimePoint last_heard_;
  std::optional<TimePoint> ping_sent_;
};

}  // namespace zelmo
