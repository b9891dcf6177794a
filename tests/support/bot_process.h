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

// The program the build made, for tests that start it.
std::string BotBinary();

// How to start a program under test.
struct ProcessOptions {
  std::string program = BotBinary();
  std::vector<std::string> args;
  // The test's environment, without these variables (a name ending in "*"
  // drops every variable that begins so) and with these "NAME=value"
  // entries, which replace any of the same name.
  std::vector<std::string> drop_env;
  std::vector<std::string> add_env;
  // Without input, standard input is closed.
  bool with_input = true;
  // What is not kept goes to /dev/null: long runs would fill memory.
  bool keep_output = true;
  bool keep_errors = true;
  // When the object goes: SIGTERM and this long to exit before SIGKILL; at
  // once SIGKILL when zero.
  std::chrono::milliseconds stop_grace{0};
};

// What the program wrote so far.
struct ProcessOutput {
  std::string out;
  std::string err;

  // The complete lines of standard output, the display's time stamps
  // ("[...] ") removed.
  std::vector<std::string> DisplayTexts() const;
};

// A program under test as a child process: lines go to its standard input,
// its outputs are collected by a thread of their own so that it never blocks
// on a full pipe. Whatever happens in a test, the child is ended by its
// process id and reaped when the object goes.
class BotProcess {
 public:
  explicit BotProcess(ProcessOptions options);
  ~BotProcess();  // Stop()
  BotProcess(const BotProcess&) = delete;
  BotProcess& operator=(const BotProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // One console command (a line feed is added); raises when the program no
  // longer reads its input.
  void Command(const std::string& line);
  // The program sees the end of its input.
  void CloseInput();
  void Signal(int number);

  ProcessOutput Output() const;
  std::string DisplayOutput() const;
  std::string ErrorOutput() const;
  std::vector<std::string> DisplayTexts() const;
  // How many display texts contain the text.
  int CountDisplay(const std::string& text) const;

  // Waits until the condition holds for the output so far; false when it
  // did not within the wait, or the outputs ended without it.
  bool Await(const std::function<bool(const ProcessOutput&)>& done, std::chrono::milliseconds wait);
  // Waits until the display output contains the text.
  bool AwaitDisplay(const std::string& text, std::chrono::milliseconds wait);

  // Running means not yet exited (a zombie that was not reaped yet counts as
  // exited).
  bool Running();
  // The exit code, or minus the signal number; nothing if the process still
  // runs after the wait. Once it has exited, everything it wrote has been
  // collected.
  std::optional<int> WaitExit(std::chrono::milliseconds wait);
  // Closes the input and ends the process: SIGTERM and the grace time to
  // exit before SIGKILL, or SIGKILL at once when the grace is zero.
  void Stop(std::chrono::milliseconds grace);

 private:
  void Start();
  void Collect();
  bool Reap(bool block);

  ProcessOptions options_;
  pid_t pid_ = -1;
  int input_ = -1, output_ = -1, error_ = -1;
  std::optional<int> status_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  ProcessOutput collected_;
  bool ended_ = false;
  std::thread collector_;
};

// The bot, headless, on a data folder, its ZELMOBOT_* variables only those
// given, and no colours.
ProcessOptions HeadlessBot(const std::string& data_dir,
                           const std::vector<std::string>& environment = {},
                           bool keep_output = true);

// The configuration that points the bot at an IRC server on loopback.
std::string LoopbackConfig(int irc_port, const std::string& extra = "");

}  // namespace zelmo::testing
