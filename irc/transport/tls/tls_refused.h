#pragma once

#include <stdexcept>
#include <string>

namespace zelmo {

// Why a session could not be set up, in plain words ("TLS: ..."), and
// whether trying again could help (see TlsRefusal).
class TlsRefused : public std::runtime_error {
 public:
  TlsRefused(const std::string& why, bool permanent)
      : std::runtime_error("TLS: " + why), permanent_(permanent) {}
  bool Permanent() const { return permanent_; }

 private:
  bool permanent_;
};

// A refusal that every attempt would meet again: a setting, a certificate.
[[noreturn]] inline void Refuse(const std::string& why) {
  throw TlsRefused(why, true);
}

// A refusal that may pass: the handshake was cut short or took too long.
[[noreturn]] inline void RefuseForNow(const std::string& why) {
  throw TlsRefused(why, false);
}

// OpenSSL's reason for its last error, and its error queue emptied.
std::string LastSslReason();

}  // namespace zelmo
