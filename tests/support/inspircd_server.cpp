#include "support/inspircd_server.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/loopback_ports.h"
#include "support/server_process.h"

extern char** environ;

namespace zelmo::testing {

namespace {

constexpr const char* kInspircd = "/usr/sbin/inspircd";

std::string Config(const std::string& folder, int port) {
  return "<config format=\"xml\">\n"
         "<server name=\"irc.local\" description=\"Local IRC Server\" network=\"Localnet\">\n"
         "<admin name=\"lab\" nick=\"lab\" email=\"lab@localhost\">\n"
         "<path configdir=\"" +
         folder + "\" datadir=\"" + folder + "data\" logdir=\"" + folder + "logs\" runtimedir=\"" +
         folder + "run\" moduledir=\"/usr/lib/inspircd/modules\">\n<pid file=\"" + folder +
         "run/inspircd.pid\">\n<bind address=\"127.0.0.1\" port=\"" + std::to_string(port) +
         "\" type=\"clients\">\n"
         "<connect allow=\"*\" timeout=\"60\" threshold=\"10\" pingfreq=\"120\" "
         "hardsendq=\"262144\" softsendq=\"8192\" recvq=\"8192\" localmax=\"100\" "
         "globalmax=\"100\" resolvehostnames=\"no\" useident=\"no\">\n"
         "<dns server=\"127.0.0.1\" timeout=\"1\">\n"
         "<log method=\"file\" type=\"* -USERINPUT -USEROUTPUT\" level=\"default\" target=\"" +
         folder + "logs/ircd.log\">\n";
}

}  // namespace

bool InspircdServer::Available() {
  return access(kInspircd, X_OK) == 0;
}

InspircdServer::InspircdServer() : port_(FreeLoopbackPort()) {
  for (const char* folder : {"data", "logs", "run"}) {
    std::filesystem::create_directories(dir_.File(folder));
  }
  dir_.Write("inspircd.conf", Config(dir_.Path(), port_));
  std::vector<std::string> argv{kInspircd, "--config", dir_.File("inspircd.conf"), "--nofork",
                                "--runasroot"};
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  const std::string log = dir_.File("out.log");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const int failed = posix_spawn(&pid_, kInspircd, &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) throw std::runtime_error("could not start inspircd");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!LoopbackPortAccepts(port_)) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("inspircd exited: " + Log());
    }
    if (std::chrono::steady_clock::now() > deadline) {
      StopServerProcess(pid_);
      throw std::runtime_error("inspircd did not listen in time: " + Log());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

InspircdServer::~InspircdServer() {
  StopServerProcess(pid_);
}

std::string InspircdServer::Log() const {
  return dir_.Read("out.log") + dir_.Read("logs/ircd.log");
}

}  // namespace zelmo::testing
