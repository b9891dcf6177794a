#pragma once

#include <optional>
#include <string>

#include "channel/fetch_watchdog.h"
#include "users/bot_context.h"

namespace zelmo {

class TIdTCPClient;

// The lookups' connection under their time limits: the connect (name lookup
// included) is bounded by connect_ms, each line by line_ms, and the whole
// exchange, counted from construction, by fetch_ms. A bound that runs out
// fails like a lost connection. The transport's errors pass through.
class BoundedLink {
 public:
  BoundedLink(TIdTCPClient& client, const PageLimits& limits);

  // Connects; from here on the link is closed once the whole time is up, so
  // that a server trickling bytes cannot hold a read past it.
  void Connect(const std::string& host, int port);
  // The next line without its LF and a CR before it.
  std::string ReadLine();
  TIdTCPClient& Client() { return client_; }
  const PageLimits& Limits() const { return limits_; }

 private:
  // Milliseconds until the whole exchange must be over; negative once past.
  int TimeLeftMs() const;

  TIdTCPClient& client_;
  PageLimits limits_;
  FetchWatchdog::Clock::time_point deadline_;
  std::optional<FetchWatchdog> watchdog_;
};

}  // namespace zelmo
