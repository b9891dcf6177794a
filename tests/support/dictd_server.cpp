#include "support/dictd_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
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

constexpr const char* kDictd = "/usr/sbin/dictd";
constexpr const char* kDictionaries = "/usr/share/dictd/freedict-";

std::string Database(const std::string& name) {
  return "database fd-" + name + " {\n  data " + kDictionaries + name + ".dict.dz\n  index " +
         kDictionaries + name + ".index\n}\n";
}

}  // namespace

bool DictdServer::Available() {
  for (const char* name : {"fin-eng", "eng-fin"}) {
    for (const char* ending : {".dict.dz", ".index"}) {
      if (access((kDictionaries + std::string(name) + ending).c_str(), R_OK) != 0) return false;
    }
  }
  return access(kDictd, X_OK) == 0;
}

DictdServer::DictdServer() {
  // Started as root, dictd goes on as its own user, who must still read the
  // configuration.
  chmod(dir_.Path().c_str(), 0711);
  dir_.Write("dictd.conf",
             "access {\n  allow 127.0.0.1\n}\n" + Database("fin-eng") + Database("eng-fin"));
  chmod(dir_.File("dictd.conf").c_str(), 0644);
  // Another test may take the free port before dictd binds it.
  for (int attempt = 1;; ++attempt) {
    port_ = FreeLoopbackPort();
    try {
      Start();
      return;
    } catch (const std::runtime_error& error) {
      bool taken = std::string(error.what()).find("Address already in use") != std::string::npos;
      if (!taken || attempt == 5) throw;
    }
  }
}

DictdServer::~DictdServer() {
  Stop();
}

std::string DictdServer::Address() const {
  return "dict://127.0.0.1:" + std::to_string(port_) + "/fd-fin-eng+fd-eng-fin";
}

void DictdServer::Start() {
  const std::string config = dir_.File("dictd.conf");
  const std::string log = dir_.File("dictd.log");
  const std::string port = std::to_string(port_);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const char* argv[] = {kDictd,        "-c",        config.c_str(), "--debug",    "nodetach",
                        "--listen-to", "127.0.0.1", "-p",           port.c_str(), nullptr};
  int failed = posix_spawn(&pid_, kDictd, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    pid_ = -1;
    throw std::runtime_error("dictd could not be started");
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!LoopbackPortAccepts(port_)) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("dictd exited at start: " + dir_.Read("dictd.log"));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      Stop();
      throw std::runtime_error("dictd did not listen: " + dir_.Read("dictd.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void DictdServer::Pause() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void DictdServer::Resume() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

void DictdServer::Stop() {
  StopServerProcess(pid_);
}

}  // namespace zelmo::testing
