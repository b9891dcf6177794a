#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zelmo::testing {

// A real InspIRCd with Atheme services linked to it, both on loopback with
// ports of their own, configured in a fresh folder, started for one test and
// stopped by their PIDs when it goes. Ready once the server offers "sasl"
// (Atheme has linked).
class SaslLab {
 public:
  SaslLab();
  ~SaslLab();
  SaslLab(const SaslLab&) = delete;
  SaslLab& operator=(const SaslLab&) = delete;

  // False when either daemon is not installed (tests then skip).
  static bool Available();

  int Port() const { return plain_port_; }
  static std::string Host() { return "127.0.0.1"; }
  // Registers the account through NickServ with a client of the test's.
  void RegisterAccount(const std::string& nick, const std::string& password);
  void Stop();

 private:
  void WriteConfigs() const;
  void WaitUntilReady();
  pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) const;

  TempDir dir_;
  int plain_port_ = 0;
  int link_port_ = 0;
  pid_t ircd_ = -1;
  pid_t services_ = -1;
};

}  // namespace zelmo::testing
