#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell/base/service_notify.h"
#include "shell/base/ui_port.h"

namespace zelmo {

// What a service manager tells the bot in its environment.
struct ServiceEnvironment {
  std::string notify_socket;  // NOTIFY_SOCKET, empty for none
  std::string watchdog_usec;  // WATCHDOG_USEC
  std::string watchdog_pid;   // WATCHDOG_PID
  static ServiceEnvironment FromEnvironment();
};

// What the bot's link is doing, for the one-line status a service manager
// shows.
struct LinkFacts {
  enum class State { Disconnected, Connecting, Registering, Connected, Waiting };
  State state = State::Disconnected;
  std::string host, nick;
  int channels = 0;
  // While waiting to reconnect: the seconds left and the attempt's number.
  long long seconds_left = 0;
  int attempt = 0;
};

// "Connected to irc.example.org as ZelmoBot, in 3 channels",
// "Reconnecting in 40 s (attempt 3)", ...
std::string ServiceStatusText(const LinkFacts& facts);

// The bot's side of the service manager's notify protocol: readiness once
// the opening lines are written, stopping at shutdown, and the watchdog's
// ping. The ping comes from a timer of the user-interface thread, so a hung
// thread stops pinging and the manager restarts the bot. Without a manager
// it does nothing.
class ServiceHealth {
 public:
  ServiceHealth(UiPort& port, const ServiceEnvironment& environment);

  void Ready();
  void Stopping() const { notifier_.Tell("STOPPING=1"); }
  // Keeps the manager's status line current: asks for the facts each
  // second and tells the manager when their text changed.
  void WatchStatus(std::function<LinkFacts()> facts);

  // Says a reload runs while the object lives, once the bot was ready (the
  // first load is part of starting); ready again when it ends, also when
  // the reload failed, as the bot runs on with what it had.
  class Reload {
   public:
    explicit Reload(ServiceHealth& health);
    ~Reload();
    Reload(const Reload&) = delete;
    Reload& operator=(const Reload&) = delete;

   private:
    ServiceHealth& health_;
    bool told_;
  };

 private:
  ServiceNotifier notifier_;
  bool ready_ = false;
  UiPort& port_;
  std::unique_ptr<UiTimer> watchdog_;
  std::function<LinkFacts()> facts_;
  std::string status_;
  std::unique_ptr<UiTimer> status_timer_;
};

}  // namespace zelmo
