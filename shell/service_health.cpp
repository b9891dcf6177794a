#include "shell/service_health.h"

#include <unistd.h>

#include <cstdlib>

namespace zelmo {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

ServiceEnvironment ServiceEnvironment::FromEnvironment() {
  return {Variable("NOTIFY_SOCKET"), Variable("WATCHDOG_USEC"), Variable("WATCHDOG_PID")};
}

ServiceHealth::ServiceHealth(UiPort& port, const ServiceEnvironment& environment)
    : notifier_(environment.notify_socket.c_str()) {
  if (!notifier_.Active()) return;
  const auto interval = WatchdogPingInterval(environment.watchdog_usec.c_str(),
                                             environment.watchdog_pid.c_str(), getpid());
  if (!interval) return;
  watchdog_ = port.CreateTimer([this] { notifier_.Tell("WATCHDOG=1"); });
  watchdog_->SetInterval(static_cast<int>(interval->count()));
  watchdog_->SetEnabled(true);
}

}  // namespace zelmo
