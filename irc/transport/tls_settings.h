#pragma once

#include <string>

namespace zelmo {

// How a client secures its link. Off by default: a plain TCP link.
struct TlsSettings {
  bool enabled = false;
  // Off: the server's certificate chain and name are not checked (a pin
  // still is).
  bool verify = true;
  // A PEM bundle of CAs trusted besides the system's store.
  std::string ca_file;
  // The SHA-256 of the server's certificate, hex; colons, spaces and case do
  // not matter. When set it decides alone whether the certificate is taken.
  std::string fingerprint;
  // A PEM file holding the client's certificate and its key, offered to the
  // server (certificate fingerprints, SASL EXTERNAL).
  std::string cert_file;

  bool Unverified() const { return enabled && !verify && fingerprint.empty(); }
};

}  // namespace zelmo
