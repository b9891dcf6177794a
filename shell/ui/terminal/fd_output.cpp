#include "shell/ui/terminal/fd_output.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace zelmo {

namespace {
// A reader that takes nothing for this long is not waited for any more.
constexpr int kFullWaitMs = 2000;
}  // namespace

void WriteFully(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = write(fd, data.data(), data.size());
    if (written > 0) {
      data.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd out{fd, POLLOUT, 0};
      int ready = poll(&out, 1, kFullWaitMs);
      if (ready > 0 || (ready < 0 && errno == EINTR)) continue;
    }
    return;
  }
}

}  // namespace zelmo
