#pragma once

#include <chrono>
#include <string>

#include "shell/base/errors.h"

namespace zelmo {

// The file name of a bot's control socket in its runtime folder.
inline constexpr const char* kControlSocketName = "zelmobot.sock";

// A bot answers on the socket already.
class EBotRunning : public Exception {
 public:
  using Exception::Exception;
};

// Listens on the socket at the path, mode 0600, non-blocking; returns the
// descriptor. A socket left behind by a bot that is gone is replaced; a bot
// that still answers there raises EBotRunning ("Another ZelmoBot runs on
// <path>"), and any
// other failure raises its reason.
int ListenControlSocket(const std::string& path);

// Connects to the bot's socket at the path within the wait and returns the
// descriptor (blocking); raises with the reason when no bot answers there.
int ConnectControlSocket(const std::string& path, std::chrono::milliseconds wait);

// Whether the process at the other end of a connected socket runs as this
// process's user or as root.
bool PeerIsOwnUser(int fd);

}  // namespace zelmo
