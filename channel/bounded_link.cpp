#include "channel/bounded_link.h"

#include <algorithm>
#include <chrono>

#include "irc/transport/tcp_connection.h"
#include "irc/transport/transport_errors.h"

namespace zelmo {

BoundedLink::BoundedLink(TIdTCPClient& client, const PageLimits& limits)
    : client_(client),
      limits_(limits),
      deadline_(FetchWatchdog::Clock::now() + std::chrono::milliseconds(limits.fetch_ms)) {}

void BoundedLink::Connect(const std::string& host, int port) {
  client_.Host = host;
  client_.Port = port;
  client_.OpenLink(limits_.connect_ms);
  watchdog_.emplace(client_, deadline_);
}

std::string BoundedLink::ReadLine() {
  const int wait = std::min(limits_.line_ms, TimeLeftMs());
  if (wait <= 0) throw EIdReadTimeout();
  std::string line = client_.ReceiveLine("\n", wait, -1);
  if (client_.ReadLnTimedOut()) throw EIdReadTimeout();
  return line;
}

int BoundedLink::TimeLeftMs() const {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - FetchWatchdog::Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), -1));
}

}  // namespace zelmo
