#pragma once

#include <string>

#include "support/temp_dir.h"

namespace zelmo::testing {

// A certificate and its key, each a PEM file.
struct CertificateFiles {
  std::string cert;
  std::string key;
  // Certificate and key in one file, as a client offers them.
  std::string combined;
};

// A CA of the test's own and certificates made with the openssl command,
// in a folder that goes with the object.
class TestCertificates {
 public:
  TestCertificates();

  // False when the openssl command is missing (tests then skip).
  static bool Available();

  const std::string& CaFile() const { return ca_.cert; }
  // Signed by the CA, for the given subjectAltName ("DNS:a,IP:127.0.0.1").
  CertificateFiles Issue(const std::string& name, const std::string& alt_names) const;
  // Signed by itself.
  CertificateFiles SelfSigned(const std::string& name, const std::string& alt_names) const;
  // The SHA-256 of a certificate as the openssl command prints it
  // ("AB:CD:...").
  std::string Fingerprint(const std::string& cert_file) const;

 private:
  TempDir dir_;
  CertificateFiles ca_;
};

}  // namespace zelmo::testing
