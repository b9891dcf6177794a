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

constexpr int kStatusCheckMs = 1000;

std::string Counted(int count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

std::string ServiceStatusText(const LinkFacts& facts) {
  using State = LinkFacts::State;
  switch (facts.state) {
    case State::Connected:
      return "Connected to " + facts.host + " as " + facts.nick + ", in " +
             Counted(facts.channels, "channel");
    case State::Connecting:
      return "Connecting to " + facts.host;
    case State::Registering:
      return "Logging on to " + facts.host;
    case State::Waiting:
      return "Reconnecting in " + std::to_string(facts.seconds_left) + " s (attempt " +
             std::to_string(facts.attempt) + ")";
    case State::Disconnected:
      break;
  }
  return "Disconnected";
}

ServiceEnvironment ServiceEnvironment::FromEnvironment() {
  return {Variable("NOTIFY_SOCKET"), Variable("WATCHDOG_USEC"), Variable("WATCHDOG_PID")};
}

ServiceHealth::ServiceHealth(UiPort& port, const ServiceEnvironment& environment)
    : notifier_(environment.notify_socket.c_str()), port_(port) {
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

void ServiceHealth::WatchStatus(std::function<LinkFacts()> facts) {
  if (!notifier_.Active()) return;
  facts_ = std::move(facts);
  auto check = [this] {
    std::string text = ServiceStatusText(facts_());
    if (text == status_) return;
    status_ = std::move(text);
    notifier_.Tell("STATUS=" + status_);
  };
  status_timer_ = port_.CreateTimer(check);
  status_timer_->SetInterval(kStatusCheckMs);
  status_timer_->SetEnabled(true);
  check();
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
