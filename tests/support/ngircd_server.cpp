#include "support/ngircd_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/loopback_ports.h"
#include "support/server_process.h"

extern char** environ;

namespace zelmo::testing {

namespace {

constexpr const char* kNgircd = "/usr/sbin/ngircd";

}  // namespace

bool NgircdServer::Available() {
  return access(kNgircd, X_OK) == 0;
}

NgircdServer::NgircdServer(std::string extra_options, std::string listen)
    : NgircdServer(std::move(extra_options), std::move(listen), "", "") {}

NgircdServer::NgircdServer(std::string extra_options, std::string listen, std::string tls_cert,
                           std::string tls_key)
    : options_(std::move(extra_options)),
      listen_(std::move(listen)),
      tls_cert_(std::move(tls_cert)),
      tls_key_(std::move(tls_key)) {
  // A free port can be taken by another test between the look and ngircd's
  // bind: try again with another one.
  for (int attempt = 1;; ++attempt) {
    port_ = FreeLoopbackPort();
    if (!tls_cert_.empty()) {
      do tls_port_ = FreeLoopbackPort();
      while (tls_port_ == port_);
    }
    try {
      Start();
      return;
    } catch (const std::runtime_error& error) {
      bool taken = std::string(error.what()).find("Address already in use") != std::string::npos;
      if (!taken || attempt == 5) throw;
    }
  }
}

void NgircdServer::Start() {
  WriteConfig();
  std::string config = dir_.File("ngircd.conf");
  std::string log = dir_.File("ngircd.log");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const char* argv[] = {kNgircd, "-n", "-f", config.c_str(), nullptr};
  int failed = posix_spawn(&pid_, kNgircd, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    pid_ = -1;
    throw std::runtime_error("ngircd could not be started");
  }
  WaitUntilListening();
}

NgircdServer::~NgircdServer() {
  Stop();
}

void NgircdServer::WriteConfig() const {
  std::string uid = geteuid() == 0 ? "ServerUID = 65534\nServerGID = 65534\n" : "";
  dir_.Write("ngircd.conf",
             "[Global]\n"
             "Name = " +
                 Name() +
                 "\n"
                 "Info = ZelmoBot test server\n"
                 "Listen = " +
                 listen_ +
                 "\n"
                 "Ports = " +
                 std::to_string(port_) +
                 "\n"
                 "MotdPhrase = Welcome to the test server\n"
                 "AdminInfo1 = test\nAdminInfo2 = test\nAdminEMail = test@zelmo.test\n" +
                 uid +
                 "[Limits]\n"
                 "PingTimeout = 120\nPongTimeout = 60\nMaxNickLength = 30\n"
                 "MaxConnectionsIP = 0\nMaxJoins = 0\n"
                 "[Options]\n"
                 "PAM = no\nIdent = no\nDNS = no\nOperCanUseMode = yes\n" +
                 options_ +
                 "[Operator]\n"
                 "Name = oper\nPassword = operpw\n" +
                 (tls_port_ == 0 ? std::string()
                                 : "[SSL]\nCertFile = " + tls_cert_ + "\nKeyFile = " + tls_key_ +
                                       "\nPorts = " + std::to_string(tls_port_) + "\n"));
}

// Ready once ngircd itself says it listens (another program could hold the
// port when ngircd's bind failed) and the port takes connections.
void NgircdServer::WaitUntilListening() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  // The port probe speaks IPv4; on ::1 ngircd's own word is taken.
  const bool ipv4 = listen_.find(':') == std::string::npos;
  while (dir_.Read("ngircd.log").find("Now listening on") == std::string::npos ||
         (ipv4 &&
          (!LoopbackPortAccepts(port_) || (tls_port_ != 0 && !LoopbackPortAccepts(tls_port_))))) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("ngircd exited at start: " + dir_.Read("ngircd.log"));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("ngircd did not listen: " + dir_.Read("ngircd.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void NgircdServer::Stop() {
  StopServerProcess(pid_);
}

void NgircdServer::Restart() {
  Stop();
  Start();
}

}  // namespace zelmo::testing
