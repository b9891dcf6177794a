#include "bot_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

extern char** environ;

namespace zelmo::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::string BotBinary() {
  return ZELMO_BINARY_DIR "/zelmobot";
}

std::string NameOf(const std::string& entry) {
  return entry.substr(0, entry.find('='));
}

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& add) {
  std::vector<std::string> out;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string item = *entry;
    std::string name = NameOf(item);
    bool dropped = name == "NO_COLOR" || name.rfind("ZELMOBOT_", 0) == 0;
    for (const auto& a : add) dropped = dropped || name == NameOf(a);
    if (!dropped) out.push_back(item);
  }
  out.insert(out.end(), add.begin(), add.end());
  out.push_back("NO_COLOR=1");
  return out;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

BotProcess::BotProcess(const std::string& data_dir, const std::vector<std::string>& environment,
                       bool keep_output) {
  // Standard input is a socket so that a command written after the bot has
  // gone fails with an error instead of raising SIGPIPE in the test.
  int in[2], out[2], err[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) || pipe2(out, O_CLOEXEC) ||
      pipe2(err, O_CLOEXEC)) {
    throw std::runtime_error("cannot make the bot's standard streams");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  if (keep_output) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<std::string> argv_text{BotBinary(), "--headless", "--data-dir", data_dir};
  std::vector<std::string> env_text = ChildEnvironment(environment);
  auto argv = Pointers(argv_text);
  auto env = Pointers(env_text);
  int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  input_ = in[1];
  output_ = out[0];
  error_ = err[0];
  if (failed != 0) {
    pid_ = -1;
    close(input_);
    close(output_);
    close(error_);
    throw std::runtime_error("cannot start " + BotBinary() + " (build the zelmobot target)");
  }
  collector_ = std::thread([this] { Collect(); });
}

BotProcess::~BotProcess() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    Reap(true);
  }
  close(input_);
  // The child is gone, so both pipes have reached their end.
  if (collector_.joinable()) collector_.join();
  close(output_);
  close(error_);
}

void BotProcess::Command(const std::string& line) {
  std::string text = line + "\n";
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = send(input_, data, left, MSG_NOSIGNAL);
    if (written <= 0) throw std::runtime_error("the bot no longer reads its console");
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void BotProcess::Signal(int number) {
  if (pid_ > 0 && !status_) kill(pid_, number);
}

// Reads both outputs until both have ended, that is until the child exits.
void BotProcess::Collect() {
  std::array<pollfd, 2> fds{{{output_, POLLIN, 0}, {error_, POLLIN, 0}}};
  std::array<std::string*, 2> into{&out_, &err_};
  int open = 2;
  while (open > 0) {
    if (poll(fds.data(), fds.size(), -1) < 0) continue;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got < 0) continue;
      std::lock_guard lock(mutex_);
      if (got == 0) {
        fds[i].fd = -1;
        --open;
      } else {
        into[i]->append(buffer, static_cast<std::size_t>(got));
      }
      changed_.notify_all();
    }
  }
}

std::vector<std::string> BotProcess::DisplayTexts() const {
  std::string out;
  {
    std::lock_guard lock(mutex_);
    out = out_;
  }
  std::vector<std::string> texts;
  std::size_t start = 0;
  for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = out.substr(start, end - start);
    auto stamp_end = line.find("] ");
    bool stamped = !line.empty() && line[0] == '[' && stamp_end != std::string::npos;
    texts.push_back(stamped ? line.substr(stamp_end + 2) : line);
  }
  return texts;
}

std::string BotProcess::ErrorOutput() const {
  std::lock_guard lock(mutex_);
  return err_;
}

bool BotProcess::AwaitDisplay(const std::string& text, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, wait, [&] { return out_.find(text) != std::string::npos; });
}

int BotProcess::CountDisplay(const std::string& text) const {
  int count = 0;
  for (const auto& shown : DisplayTexts()) count += shown.find(text) != std::string::npos;
  return count;
}

bool BotProcess::Reap(bool block) {
  if (status_) return true;
  int status = 0;
  if (waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_) return false;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return true;
}

bool BotProcess::Running() {
  return !Reap(false);
}

std::optional<int> BotProcess::WaitExit(std::chrono::milliseconds wait) {
  auto deadline = Clock::now() + wait;
  while (!Reap(false)) {
    if (Clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

std::string LoopbackConfig(int irc_port, const std::string& extra) {
  return "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(irc_port) + "\n" + extra;
}

}  // namespace zelmo::testing
