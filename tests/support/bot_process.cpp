#include "support/bot_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace zelmo::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Once the program has gone its outputs end at once; this only bounds the
// wait for them.
constexpr std::chrono::seconds kOutputsEnd{1};

std::string NameOf(const std::string& entry) {
  return entry.substr(0, entry.find('='));
}

bool Dropped(const std::string& name, const ProcessOptions& options) {
  for (const auto& drop : options.drop_env) {
    bool prefix = drop.ends_with('*');
    if (prefix ? name.starts_with(drop.substr(0, drop.size() - 1)) : name == drop) return true;
  }
  for (const auto& add : options.add_env) {
    if (name == NameOf(add)) return true;
  }
  return false;
}

std::vector<std::string> ChildEnvironment(const ProcessOptions& options) {
  std::vector<std::string> out;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string item = *entry;
    if (!Dropped(NameOf(item), options)) out.push_back(item);
  }
  out.insert(out.end(), options.add_env.begin(), options.add_env.end());
  return out;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// The child's standard streams: the child's ends and the test's ends.
struct Streams {
  std::array<int, 3> child{-1, -1, -1};
  std::array<int, 3> mine{-1, -1, -1};

  ~Streams() {
    for (int& fd : child) CloseFd(fd);
    for (int& fd : mine) CloseFd(fd);
  }
  // Standard input is a socket so that a line written after the child has
  // gone fails with an error instead of raising SIGPIPE in the test.
  void MakeInput() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) Fail();
    child[0] = ends[0];
    mine[0] = ends[1];
  }
  void MakeOutput(int number) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) Fail();
    child[number] = ends[1];
    mine[number] = ends[0];
  }
  [[noreturn]] static void Fail() {
    throw std::runtime_error("cannot make the child's standard streams");
  }
};

}  // namespace

std::string BotBinary() {
  return ZELMO_BINARY_DIR "/zelmobot";
}

std::vector<std::string> ProcessOutput::DisplayTexts() const {
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

BotProcess::BotProcess(ProcessOptions options) : options_(std::move(options)) {
  Start();
  if (output_ >= 0 || error_ >= 0) {
    collector_ = std::thread([this] { Collect(); });
  } else {
    ended_ = true;
  }
}

void BotProcess::Start() {
  Streams streams;
  if (options_.with_input) streams.MakeInput();
  if (options_.keep_output) streams.MakeOutput(1);
  if (options_.keep_errors) streams.MakeOutput(2);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options_.with_input) {
    posix_spawn_file_actions_adddup2(&actions, streams.child[0], 0);
  } else {
    posix_spawn_file_actions_addclose(&actions, 0);
  }
  for (int number : {1, 2}) {
    if (streams.child[number] >= 0) {
      posix_spawn_file_actions_adddup2(&actions, streams.child[number], number);
    } else {
      posix_spawn_file_actions_addopen(&actions, number, "/dev/null", O_WRONLY, 0);
    }
  }
  std::vector<std::string> argv_text{options_.program};
  argv_text.insert(argv_text.end(), options_.args.begin(), options_.args.end());
  std::vector<std::string> env_text = ChildEnvironment(options_);
  auto argv = Pointers(argv_text);
  auto env = Pointers(env_text);
  int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + options_.program + " (is it built?)");
  }
  input_ = std::exchange(streams.mine[0], -1);
  output_ = std::exchange(streams.mine[1], -1);
  error_ = std::exchange(streams.mine[2], -1);
}

BotProcess::~BotProcess() {
  Stop(options_.stop_grace);
  // The child is gone, so its outputs have reached their end.
  if (collector_.joinable()) collector_.join();
  CloseFd(output_);
  CloseFd(error_);
}

void BotProcess::Command(const std::string& line) {
  std::string text = line + "\n";
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = input_ < 0 ? -1 : send(input_, data, left, MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw std::runtime_error("the program no longer reads its input");
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void BotProcess::CloseInput() {
  CloseFd(input_);
}

void BotProcess::Signal(int number) {
  if (pid_ > 0 && !status_) kill(pid_, number);
}

// Reads the outputs until they have ended, that is until the child exits.
void BotProcess::Collect() {
  std::array<pollfd, 2> fds{{{output_, POLLIN, 0}, {error_, POLLIN, 0}}};
  std::array<std::string*, 2> into{&collected_.out, &collected_.err};
  int open = (output_ >= 0) + (error_ >= 0);
  while (open > 0) {
    if (poll(fds.data(), fds.size(), -1) < 0) continue;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      std::lock_guard lock(mutex_);
      if (got <= 0) {
        fds[i].fd = -1;
        ended_ = --open == 0;
      } else {
        into[i]->append(buffer, static_cast<std::size_t>(got));
      }
      changed_.notify_all();
    }
  }
}

ProcessOutput BotProcess::Output() const {
  std::lock_guard lock(mutex_);
  return collected_;
}

std::string BotProcess::DisplayOutput() const {
  std::lock_guard lock(mutex_);
  return collected_.out;
}

std::string BotProcess::ErrorOutput() const {
  std::lock_guard lock(mutex_);
  return collected_.err;
}

std::vector<std::string> BotProcess::DisplayTexts() const {
  return Output().DisplayTexts();
}

int BotProcess::CountDisplay(const std::string& text) const {
  int count = 0;
  for (const auto& shown : DisplayTexts()) count += shown.find(text) != std::string::npos;
  return count;
}

bool BotProcess::Await(const std::function<bool(const ProcessOutput&)>& done,
                       std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, wait, [&] { return ended_ || done(collected_); });
  return done(collected_);
}

bool BotProcess::AwaitDisplay(const std::string& text, std::chrono::milliseconds wait) {
  return Await(
      [&](const ProcessOutput& output) { return output.out.find(text) != std::string::npos; },
      wait);
}

bool BotProcess::Reap(bool block) {
  if (status_) return true;
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t got;
  do {
    got = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got != pid_) return false;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return true;
}

bool BotProcess::Running() {
  return !Reap(false);
}

std::optional<int> BotProcess::WaitExit(std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  while (!Reap(false)) {
    if (Clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::unique_lock lock(mutex_);
  changed_.wait_until(lock, std::max(deadline, Clock::now() + kOutputsEnd), [&] { return ended_; });
  return status_;
}

void BotProcess::Stop(std::chrono::milliseconds grace) {
  CloseInput();
  if (pid_ <= 0 || Reap(false)) return;
  if (grace.count() > 0) {
    kill(pid_, SIGTERM);
    if (WaitExit(grace)) return;
  }
  kill(pid_, SIGKILL);
  Reap(true);
}

ProcessOptions HeadlessBot(const std::string& data_dir, const std::vector<std::string>& environment,
                           bool keep_output) {
  ProcessOptions options;
  options.args = {"--headless", "--data-dir", data_dir};
  // A test run under a service manager must not tell it about the bots.
  // Its control socket lies in its data folder, which the test removes.
  options.drop_env = {"NO_COLOR",       "ZELMOBOT_*",        "NOTIFY_SOCKET",  "WATCHDOG_*",
                      "JOURNAL_STREAM", "RUNTIME_DIRECTORY", "XDG_RUNTIME_DIR"};
  options.add_env = environment;
  options.add_env.push_back("NO_COLOR=1");
  options.keep_output = keep_output;
  return options;
}

std::string LoopbackConfig(int irc_port, const std::string& extra) {
  // Unpaced unless a test asks for the pace: most tests send in bursts.
  const std::string pace =
      extra.find("SendInterval=") == std::string::npos ? "SendInterval=0\n" : "";
  return "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(irc_port) + "\n" + pace + extra;
}

}  // namespace zelmo::testing
