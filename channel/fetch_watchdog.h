#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zelmo {

class TIdTCPConnection;

// Closes a connection once a deadline has passed, unless it is let go first.
// A server that trickles a byte now and then never lets a single receive time
// out; closing the link from here wakes the blocked receive, which then fails
// like any lost connection, so a fetch never outlasts its time limit.
class FetchWatchdog {
 public:
  using Clock = std::chrono::steady_clock;

  FetchWatchdog(TIdTCPConnection& link, Clock::time_point deadline);
  // Lets the link go and waits for the watching thread.
  ~FetchWatchdog() = default;
  FetchWatchdog(const FetchWatchdog&) = delete;
  FetchWatchdog& operator=(const FetchWatchdog&) = delete;

 private:
  void Watch(std::stop_token stop, TIdTCPConnection& link, Clock::time_point deadline);

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::jthread thread_;  // last: stopped and joined before the members above go
};

}  // namespace zelmo
