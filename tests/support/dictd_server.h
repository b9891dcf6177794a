#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace zelmo::testing {

// A real dictd on 127.0.0.1 with a port of its own, serving the FreeDict
// Finnish-English and English-Finnish databases as Debian installs them,
// configured in a fresh folder, started for one test and stopped (by its
// PID) when it goes.
class DictdServer {
 public:
  DictdServer();
  ~DictdServer();
  DictdServer(const DictdServer&) = delete;
  DictdServer& operator=(const DictdServer&) = delete;

  // False when dictd or either dictionary is not installed (tests then skip).
  static bool Available();

  int Port() const { return port_; }
  // The bot's address for it: both databases, Finnish-English first.
  std::string Address() const;
  // Stops answering: the system still takes connections for it, but the
  // server never sees them until Resume().
  void Pause();
  void Resume();
  void Stop();

 private:
  void Start();

  TempDir dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace zelmo::testing
