#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace zelmo::testing {

// A real ngircd on 127.0.0.1 with a port of its own, configured in a fresh
// folder, started for one test and stopped (by its PID) when it goes. It
// knows one IRC operator, "oper" with password "operpw".
class NgircdServer {
 public:
  // Extra lines go into the [Options] section of its configuration; it
  // listens on the given loopback address ("127.0.0.1" or "::1").
  explicit NgircdServer(std::string extra_options = "", std::string listen = "127.0.0.1");
  // Listens for TLS besides, on TlsPort(), with this certificate and key.
  NgircdServer(std::string extra_options, std::string listen, std::string tls_cert,
               std::string tls_key);
  ~NgircdServer();
  NgircdServer(const NgircdServer&) = delete;
  NgircdServer& operator=(const NgircdServer&) = delete;

  // False when ngircd is not installed (tests then skip).
  static bool Available();

  int Port() const { return port_; }
  int TlsPort() const { return tls_port_; }
  static std::string Host() { return "127.0.0.1"; }
  static std::string Name() { return "irc.zelmo.test"; }
  // Stops the server now; the clients' links close.
  void Stop();
  // Starts it again on the same port, as an outage ends.
  void Restart();
  bool Running() const { return pid_ > 0; }

 private:
  void Start();
  void WriteConfig() const;
  void WaitUntilListening();

  std::string options_;
  std::string listen_;
  std::string tls_cert_, tls_key_;
  int tls_port_ = 0;
  TempDir dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace zelmo::testing
