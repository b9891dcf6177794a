#include "channel/fetch_watchdog.h"

#include <exception>

#include "irc/transport/tcp_connection.h"

namespace zelmo {

FetchWatchdog::FetchWatchdog(TIdTCPConnection& link, Clock::time_point deadline)
    : thread_([this, &link, deadline](std::stop_token stop) { Watch(stop, link, deadline); }) {}

void FetchWatchdog::Watch(std::stop_token stop, TIdTCPConnection& link,
                          Clock::time_point deadline) {
  {
    std::unique_lock lock(mutex_);
    // Nothing but the stop request or the deadline ends this wait.
    wake_.wait_until(lock, stop, deadline, [] { return false; });
  }
  if (stop.stop_requested()) return;
  try {
    link.CloseLink();
  } catch (const std::exception&) {
    // The fetch fails on its own thread either way; nothing to report here.
  }
}

}  // namespace zelmo
