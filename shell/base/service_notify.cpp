#include "shell/base/service_notify.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>

namespace zelmo {

namespace {

std::optional<unsigned long long> WholeNumber(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  const char* end = text + std::strlen(text);
  unsigned long long value = 0;
  auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

ServiceNotifier::ServiceNotifier(const char* notify_socket) {
  if (notify_socket == nullptr) return;
  const std::size_t length = std::strlen(notify_socket);
  if (length == 0 || length >= sizeof address_.sun_path) return;
  address_.sun_family = AF_UNIX;
  std::memcpy(address_.sun_path, notify_socket, length);
  // An abstract name has no terminating zero and begins with one.
  if (notify_socket[0] == '@') address_.sun_path[0] = '\0';
  address_size_ = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length +
                                         (notify_socket[0] == '@' ? 0 : 1));
  fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

ServiceNotifier::~ServiceNotifier() {
  if (fd_ >= 0) close(fd_);
}

bool ServiceNotifier::Tell(std::string_view state) const {
  if (fd_ < 0) return false;
  const ssize_t sent = sendto(fd_, state.data(), state.size(), MSG_NOSIGNAL,
                              reinterpret_cast<const sockaddr*>(&address_), address_size_);
  return sent == static_cast<ssize_t>(state.size());
}

std::optional<std::chrono::milliseconds> WatchdogPingInterval(const char* usec, const char* pid,
                                                              long own_pid) {
  const auto period = WholeNumber(usec);
  if (!period || *period == 0) return std::nullopt;
  if (pid != nullptr && *pid != '\0') {
    const auto owner = WholeNumber(pid);
    if (!owner || *owner != static_cast<unsigned long long>(own_pid)) return std::nullopt;
  }
  // At least a millisecond, so that a tiny period still gives a timer.
  return std::chrono::milliseconds(std::max<unsigned long long>(*period / 2000, 1));
}

}  // namespace zelmo
