#include "shell/service_health.h"

#include <unistd.h>

#include <time.h>

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

void ServiceHealth::Ready() {
  ready_ = true;
  notifier_.Tell("READY=1");
}

// The manager matches the reload to its own request by the monotonic clock.
ServiceHealth::Reload::Reload(ServiceHealth& health) : health_(health), told_(health.ready_) {
  if (!told_) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long usec = static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
  health_.notifier_.Tell("RELOADING=1\nMONOTONIC_USEC=" + std::to_string(usec));
}

ServiceHealth::Reload::~Reload() {
  if (told_) health_.Ready();
}

}  // namespace zelmo
