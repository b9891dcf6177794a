#pragma once

#include <chrono>

#include "channel/http_client.h"
#include "channel/http_url.h"
#include "irc/transport/socket_connect.h"

namespace zelmo {

using HttpClock = std::chrono::steady_clock;

// One fetch on the calling thread, redirects followed, each target checked
// against the allow list. Every wait ends by the deadline; `cancel` closes
// the socket of the step under way, which ends a receive that waits on a
// trickle. Raises Exception (or a transport error) for any failure.
HttpAnswer FetchHttp(HttpUrl url, const HttpAllowList& allowed, const HttpGetLimits& limits,
                     HttpClock::time_point deadline, ConnectCancel& cancel);

// The reason a failed fetch gives as its answer's body.
std::string HttpFailureReason(const std::exception& error);

}  // namespace zelmo
