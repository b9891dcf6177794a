#include "shell/base/control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zelmo {

namespace {

sockaddr_un AddressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    throw Exception("the socket path " + path + " is too long");
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

int NewSocket() {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw Exception(std::string("socket: ") + std::strerror(errno));
  return fd;
}

// Whether a bot answers at the address now.
bool Answers(const sockaddr_un& address) {
  const int fd = NewSocket();
  const bool answered =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return answered;
}

}  // namespace

int ListenControlSocket(const std::string& path) {
  const sockaddr_un address = AddressOf(path);
  struct stat existing {};
  if (lstat(path.c_str(), &existing) == 0) {
    if (S_ISSOCK(existing.st_mode) && Answers(address)) {
      throw EBotRunning("Another ZelmoBot runs on " + path);
    }
    if (S_ISSOCK(existing.st_mode)) unlink(path.c_str());
  }
  const int fd = NewSocket();
  // Only the bot's user may connect: the mode is right from the start.
  const mode_t old_mask = umask(077);
  const int bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int error = errno;
  umask(old_mask);
  if (bound != 0 || listen(fd, 16) != 0 || fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
    close(fd);
    throw Exception(path + ": " + std::strerror(bound != 0 ? error : errno));
  }
  return fd;
}

int ConnectControlSocket(const std::string& path, std::chrono::milliseconds wait) {
  const sockaddr_un address = AddressOf(path);
  const int fd = NewSocket();
  fcntl(fd, F_SETFL, O_NONBLOCK);
  int result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (result != 0 && (errno == EINPROGRESS || errno == EAGAIN)) {
    pollfd ready{fd, POLLOUT, 0};
    int error = ETIMEDOUT;
    socklen_t size = sizeof error;
    if (poll(&ready, 1, static_cast<int>(wait.count())) == 1) {
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    }
    errno = error;
    result = error == 0 ? 0 : -1;
  }
  if (result != 0) {
    const int error = errno;
    close(fd);
    throw Exception(std::strerror(error));
  }
  fcntl(fd, F_SETFL, 0);
  return fd;
}

bool PeerIsOwnUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
  return peer.uid == geteuid() || peer.uid == 0;
}

}  // namespace zelmo
