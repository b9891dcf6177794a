#include "support/test_certificates.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace zelmo::testing {

namespace {

constexpr const char* kOpenssl = "/usr/bin/openssl";
constexpr const char* kNewKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

void Run(const std::string& arguments, const std::string& output = "/dev/null") {
  std::string command = std::string(kOpenssl) + " " + arguments + " >'" + output + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

}  // namespace

bool TestCertificates::Available() {
  return access(kOpenssl, X_OK) == 0;
}

TestCertificates::TestCertificates() {
  ca_ = {dir_.File("ca.pem"), dir_.File("ca.key"), ""};
  Run("req -x509" + std::string(kNewKey) + " -keyout " + Quoted(ca_.key) + " -out " +
      Quoted(ca_.cert) + " -days 2 -subj '/CN=ZelmoBot Test CA'");
}

CertificateFiles TestCertificates::Issue(const std::string& name,
                                         const std::string& alt_names) const {
  CertificateFiles files{dir_.File(name + ".pem"), dir_.File(name + ".key"),
                         dir_.File(name + "-both.pem")};
  std::string request = dir_.File(name + ".csr");
  dir_.Write(name + ".ext", "subjectAltName=" + alt_names + "\n");
  Run("req" + std::string(kNewKey) + " -keyout " + Quoted(files.key) + " -out " + Quoted(request) +
      " -subj '/CN=" + name + "'");
  Run("x509 -req -in " + Quoted(request) + " -CA " + Quoted(ca_.cert) + " -CAkey " +
      Quoted(ca_.key) + " -CAcreateserial -days 2 -out " + Quoted(files.cert) + " -extfile " +
      Quoted(dir_.File(name + ".ext")));
  dir_.Write(name + "-both.pem", dir_.Read(name + ".pem") + dir_.Read(name + ".key"));
  return files;
}

CertificateFiles TestCertificates::SelfSigned(const std::string& name,
                                              const std::string& alt_names) const {
  CertificateFiles files{dir_.File(name + ".pem"), dir_.File(name + ".key"),
                         dir_.File(name + "-both.pem")};
  Run("req -x509" + std::string(kNewKey) + " -keyout " + Quoted(files.key) + " -out " +
      Quoted(files.cert) + " -days 2 -subj '/CN=" + name +
      "' -addext 'subjectAltName=" + alt_names + "'");
  dir_.Write(name + "-both.pem", dir_.Read(name + ".pem") + dir_.Read(name + ".key"));
  return files;
}

std::string TestCertificates::Fingerprint(const std::string& cert_file) const {
  std::string out = dir_.File("fingerprint.txt");
  Run("x509 -in " + Quoted(cert_file) + " -noout -fingerprint -sha256", out);
  std::string text = dir_.Read("fingerprint.txt");
  std::size_t equals = text.find('=');
  if (equals == std::string::npos) throw std::runtime_error("no fingerprint: " + text);
  text = text.substr(equals + 1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace zelmo::testing
