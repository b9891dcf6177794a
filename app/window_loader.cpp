#include "app/window_loader.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "shell/base/modules.h"
#include "shell/ui/window_module.h"

namespace zelmo {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool ConnectsToUnixSocket(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::size_t offset = abstract ? 1 : 0;
  if (path.empty() || path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  close(fd);
  return ok;
}

bool ConnectsToTcp(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (addrinfo* entry = found; entry && !ok; entry = entry->ai_next) {
    int fd = socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
    if (fd < 0) continue;
    ok = connect(fd, entry->ai_addr, entry->ai_addrlen) == 0;
    close(fd);
  }
  freeaddrinfo(found);
  return ok;
}

// X display n listens on TCP port 6000 + n.
constexpr int kFirstXPort = 6000;
constexpr int kLastPort = 65535;

// An X display "[host]:number[.screen]" that answers on its socket. A
// number that names no port (too large to be one) is no display.
bool XServerAnswers(const std::string& display) {
  std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = display.substr(0, colon);
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  int value = 0;
  const char* end = number.data() + number.size();
  auto [stop, error] = std::from_chars(number.data(), end, value);
  if (number.empty() || number[0] == '-' || error != std::errc() || stop != end ||
      value > kLastPort - kFirstXPort) {
    return false;
  }
  if (host.empty() || host == "unix") {
    std::string path = "/tmp/.X11-unix/X" + number;
    return ConnectsToUnixSocket(path, true) || ConnectsToUnixSocket(path, false);
  }
  return ConnectsToTcp(host, kFirstXPort + value);
}

bool WaylandAnswers(const std::string& display) {
  std::string path = display;
  if (path.front() != '/') {
    std::string runtime = Variable("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    path = runtime + "/" + display;
  }
  return ConnectsToUnixSocket(path, false);
}

}  // namespace

// The toolkit aborts the process when it cannot reach the display it is
// told to use, so the display is tried here first.
bool DisplayAvailable() {
  // A toolkit platform chosen by hand that draws without a desktop
  // (offscreen, a frame buffer, VNC) needs no display server.
  std::string platform = Variable("QT_QPA_PLATFORM");
  if (!platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland")) {
    return true;
  }
  std::string wayland = Variable("WAYLAND_DISPLAY");
  if (!wayland.empty() && WaylandAnswers(wayland)) return true;
  std::string x = Variable("DISPLAY");
  return !x.empty() && XServerAnswers(x);
}

std::optional<int> RunWindowFrontEnd(const std::string& program_folder, int argc, char** argv,
                                     FormFactory& factory, std::string& why_not) {
  void* symbol =
      LoadModuleEntry(ModulePath(program_folder, kWindowModuleFile), kWindowMainSymbol, why_not);
  if (symbol == nullptr) return std::nullopt;
  auto* window_main = reinterpret_cast<ZelmoWindowMain*>(symbol);
  return window_main(argc, argv, &factory);
}

}  // namespace zelmo
