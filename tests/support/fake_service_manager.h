#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>

namespace zelmo::testing {

// A service manager's notify end: a datagram socket bound to a path or, for
// a name beginning with "@", to an abstract name.
class FakeServiceManager {
 public:
  explicit FakeServiceManager(const std::string& name) {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    if (name[0] == '@') address.sun_path[0] = '\0';
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() +
                                             (name[0] == '@' ? 0 : 1));
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0)
      throw std::runtime_error("bind failed");
  }
  ~FakeServiceManager() { close(fd_); }
  FakeServiceManager(const FakeServiceManager&) = delete;
  FakeServiceManager& operator=(const FakeServiceManager&) = delete;

  // The next datagram, or "" when none waits.
  std::string Take() const { return Await(std::chrono::milliseconds(0)); }
  // The next datagram, or "" when none came within the wait.
  std::string Await(std::chrono::milliseconds wait) const {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(wait.count())) != 1) return {};
    char buffer[512];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
  }
  // Whether a datagram that begins so came within the wait; the watchdog's
  // pings before it are passed over.
  bool AwaitStartingWith(const std::string& head, std::chrono::milliseconds wait) const {
    const auto end = std::chrono::steady_clock::now() + wait;
    for (std::string got; std::chrono::steady_clock::now() < end;) {
      got = Await(std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now()));
      if (got.starts_with(head)) return true;
    }
    return false;
  }

 private:
  int fd_ = -1;
};

}  // namespace zelmo::testing
