#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zelmo::testing {

// A real InspIRCd with Atheme services linked to it, both on loopback with
// ports of their own, configured in a fresh folder, started for one test and
// stopped by their PIDs when it goes. Ready once the server offers "sasl"
// (Atheme has linked). Given a certificate and its key (PEM files), the
// server takes TLS clients on a port of its own too and tells the services
// their certificate's fingerprint.
class SaslLab {
 public:
  explicit SaslLab(const std::string& tls_cert = "", const std::string& tls_key = "");
  ~SaslLab();
  SaslLab(const SaslLab&) = delete;
  SaslLab& operator=(const SaslLab&) = delete;

  // False when either daemon is not installed (tests then skip).
  static bool Available();

  int Port() const { return plain_port_; }
  int TlsPort() const { return tls_port_; }
  static std::string Host() { return "127.0.0.1"; }
  // Registers the account through NickServ with a client of the test's.
  void RegisterAccount(const std::string& nick, const std::string& password);
  // Adds a certificate fingerprint (SHA-256, lower-case hex) to the account
  // through NickServ CERT ADD, by a client identified to it.
  void AddCertificate(const std::string& nick, const std::string& password,
                      const std::string& fingerprint);
  void Stop();

 private:
  void WriteConfigs(const std::string& tls_cert, const std::string& tls_key) const;
  void WaitUntilReady();
  pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) const;

  TempDir dir_;
  int plain_port_ = 0;
  int link_port_ = 0;
  int tls_port_ = 0;
  pid_t ircd_ = -1;
  pid_t services_ = -1;
};

}  // namespace zelmo::testing
