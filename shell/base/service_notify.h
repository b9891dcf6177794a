#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <sys/socket.h>
#include <sys/un.h>

namespace zelmo {

// Tells a service manager how the bot is doing, by the notify protocol of
// systemd: one datagram of "NAME=value" lines to the socket NOTIFY_SOCKET
// names (a path, or "@" and an abstract name). Without that variable it is
// inert and the bot behaves as it always did. Telling never blocks and never
// fails the caller: a manager that does not read loses that one state, and
// the next one says how things stand.
class ServiceNotifier {
 public:
  // From the value of NOTIFY_SOCKET; nullptr, empty or an address too long
  // for a Unix socket leaves it inert.
  explicit ServiceNotifier(const char* notify_socket);
  ~ServiceNotifier();
  ServiceNotifier(const ServiceNotifier&) = delete;
  ServiceNotifier& operator=(const ServiceNotifier&) = delete;

  bool Active() const { return fd_ >= 0; }
  // Sends the state lines ("READY=1", "STATUS=...\nRELOADING=1"); whether
  // the datagram went out.
  bool Tell(std::string_view state) const;

 private:
  sockaddr_un address_{};
  socklen_t address_size_ = 0;
  int fd_ = -1;
};

// How often to tell WATCHDOG=1: half the period the manager sets in
// WATCHDOG_USEC, when WATCHDOG_PID is unset or names this process. Nothing
// when no watchdog is asked for, or the values are no numbers.
std::optional<std::chrono::milliseconds> WatchdogPingInterval(const char* usec, const char* pid,
                                                              long own_pid);

}  // namespace zelmo
