#include "support/terminal_process.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/bot_process.h"

namespace zelmo::testing {

TerminalProcess::TerminalProcess(const std::vector<std::string>& args,
                                 const std::vector<std::string>& env, const std::string& program) {
  std::vector<std::string> argv_text{program.empty() ? BotBinary() : program};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 80;
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ < 0) throw std::runtime_error("forkpty failed");
  if (pid_ == 0) {
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    for (auto& arg : argv_text) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
}

TerminalProcess::~TerminalProcess() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

bool TerminalProcess::AwaitShown(const std::string& text) {
  return AwaitShownAfter(0, text);
}

bool TerminalProcess::AwaitShownAfter(std::size_t offset, const std::string& text) {
  auto found = [&] {
    return shown.size() >= offset && shown.find(text, offset) != std::string::npos;
  };
  for (int i = 0; i < 100 && !found(); ++i) ReadFor(100);
  return found();
}

void TerminalProcess::Type(const std::string& keys) {
  if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
    throw std::runtime_error("typing on the terminal failed");
  }
}

void TerminalProcess::Settle(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) ReadFor(20);
}

termios TerminalProcess::Mode() const {
  termios mode{};
  tcgetattr(master_, &mode);
  return mode;
}

std::optional<int> TerminalProcess::Exit() {
  // Once the program closed the terminal, reads end at once: pause between
  // the checks.
  for (int i = 0; i < 200 && !status_; ++i) {
    while (ReadFor(50)) {
    }
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return status_;
}

bool TerminalProcess::ReadFor(int ms) {
  pollfd fd{master_, POLLIN, 0};
  if (poll(&fd, 1, ms) <= 0) return false;
  char buffer[4096];
  ssize_t got = read(master_, buffer, sizeof buffer);
  if (got <= 0) return false;
  shown.append(buffer, static_cast<std::size_t>(got));
  return true;
}

}  // namespace zelmo::testing
