#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zelmo::testing {

// The headless bot as a child process: console commands go to its standard
// input, its display and error outputs are collected by a thread of their
// own so the bot never blocks on a full pipe. Whatever happens in a test,
// the child is killed by its process id and reaped when the object goes.
class BotProcess {
 public:
  // Starts the bot on the data folder. The environment entries
  // ("NAME=value") are added to the test's; the program's ZELMOBOT_*
  // variables are cleared unless given there. Without keep_output the
  // display goes to /dev/null (long runs that would fill memory).
  explicit BotProcess(const std::string& data_dir, const std::vector<std::string>& environment = {},
                      bool keep_output = true);
  ~BotProcess();
  BotProcess(const BotProcess&) = delete;
  BotProcess& operator=(const BotProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // One console command (a line feed is added).
  void Command(const std::string& line);
  void Signal(int number);

  // The display texts so far, time stamps removed.
  std::vector<std::string> DisplayTexts() const;
  std::string ErrorOutput() const;
  // Waits until a display text contains the text; false when it did not
  // come within the wait.
  bool AwaitDisplay(const std::string& text, std::chrono::milliseconds wait);
  // How many display texts contain the text.
  int CountDisplay(const std::string& text) const;

  // Running means not yet exited (a zombie that was not reaped yet counts as
  // exited).
  bool Running();
  // The exit code, or minus the signal number; nothing if the process still
  // runs after the wait.
  std::optional<int> WaitExit(std::chrono::milliseconds wait);

 private:
  void Collect();
  bool Reap(bool block);

  pid_t pid_ = -1;
  int input_ = -1, output_ = -1, error_ = -1;
  std::optional<int> status_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string out_, err_;
  std::thread collector_;
};

// The configuration that points the bot at an IRC server on loopback.
std::string LoopbackConfig(int irc_port, const std::string& extra = "");

}  // namespace zelmo::testing
