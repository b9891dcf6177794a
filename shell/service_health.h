#pragma once

#include <memory>
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

// The bot's side of the service manager's notify protocol: readiness once
// the opening lines are written, stopping at shutdown, and the watchdog's
// ping. The ping comes from a timer of the user-interface thread, so a hung
// thread stops pinging and the manager restarts the bot. Without a manager
// it does nothing.
class ServiceHealth {
 public:
  ServiceHealth(UiPort& port, const ServiceEnvironment& environment);

  void Ready() const { notifier_.Tell("READY=1"); }
  void Stopping() const { notifier_.Tell("STOPPING=1"); }

 private:
  ServiceNotifier notifier_;
  std::unique_ptr<UiTimer> watchdog_;
};

}  // namespace zelmo
