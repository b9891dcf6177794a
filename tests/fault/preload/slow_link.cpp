#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

// Loaded into the bot by the fault tests (LD_PRELOAD), it takes the place of
// connect(), recv() and send() to make the bot's link slow in two ways that
// a busy machine or a slow network path give now and then:
//   ZELMO_FAULT_READ_DELAY_MS  nothing that arrives on a connection is read
//                              before that long after its connect;
//   ZELMO_FAULT_QUIT_PAUSE_MS  the thread that has sent a QUIT line is held
//                              that long before it goes on;
//   ZELMO_FAULT_SEND_HANG_AFTER_MS  a send that long after its connect hands
//                              nothing over and returns only once the socket
//                              is shut down, like a send into a full buffer
//                              that the server never reads (its time limit
//                              left aside).

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDescriptors = 4096;
std::array<std::atomic<Clock::rep>, kDescriptors> connected_at{};

std::chrono::milliseconds Setting(const char* name) {
  const char* value = std::getenv(name);
  return std::chrono::milliseconds(value ? std::atoi(value) : 0);
}

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int connect(int fd, const sockaddr* address, socklen_t length) {
  static const auto real = Real<int (*)(int, const sockaddr*, socklen_t)>("connect");
  if (fd >= 0 && static_cast<std::size_t>(fd) < kDescriptors) {
    connected_at[fd] = Clock::now().time_since_epoch().count();
  }
  return real(fd, address, length);
}

extern "C" ssize_t recv(int fd, void* buffer, size_t length, int flags) {
  static const auto real = Real<ssize_t (*)(int, void*, size_t, int)>("recv");
  static const auto delay = Setting("ZELMO_FAULT_READ_DELAY_MS");
  if (delay.count() > 0 && fd >= 0 && static_cast<std::size_t>(fd) < kDescriptors) {
    Clock::time_point connected{Clock::duration(connected_at[fd].load())};
    std::this_thread::sleep_until(connected + delay);
  }
  return real(fd, buffer, length, flags);
}

namespace {

// An empty send fails once the socket's sending side is shut down.
ssize_t HangUntilShutDown(ssize_t (*real)(int, const void*, size_t, int), int fd,
                          const void* buffer, int flags) {
  for (;;) {
    ssize_t probe = real(fd, buffer, 0, flags | MSG_DONTWAIT);
    if (probe < 0) return probe;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

extern "C" ssize_t send(int fd, const void* buffer, size_t length, int flags) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t, int)>("send");
  static const auto pause = Setting("ZELMO_FAULT_QUIT_PAUSE_MS");
  static const auto hang_after = Setting("ZELMO_FAULT_SEND_HANG_AFTER_MS");
  if (hang_after.count() > 0 && fd >= 0 && static_cast<std::size_t>(fd) < kDescriptors) {
    const Clock::rep at = connected_at[fd].load();
    if (at != 0 && Clock::now() >= Clock::time_point(Clock::duration(at)) + hang_after) {
      return HangUntilShutDown(real, fd, buffer, flags);
    }
  }
  ssize_t sent = real(fd, buffer, length, flags);
  if (sent > 0 && length >= 5 && std::memcmp(buffer, "QUIT ", 5) == 0) {
    std::this_thread::sleep_for(pause);
  }
  return sent;
}
