#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace zelmo::testing {

// A real InspIRCd on loopback with the flood limits of the configuration
// Debian ships (threshold 10, recvq 8192, softsendq 8192, hardsendq 262144,
// pingfreq 120), configured in a fresh folder, started for one test and
// stopped by its PID when it goes. Only the clients per address are raised,
// so a test's users can all come from 127.0.0.1.
class InspircdServer {
 public:
  InspircdServer();
  ~InspircdServer();
  InspircdServer(const InspircdServer&) = delete;
  InspircdServer& operator=(const InspircdServer&) = delete;

  // False when InspIRCd is not installed (tests then skip).
  static bool Available();

  int Port() const { return port_; }
  static std::string Host() { return "127.0.0.1"; }
  // The server's log, for a failing test's message.
  std::string Log() const;

 private:
  TempDir dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace zelmo::testing
