#pragma once

#include <sys/types.h>
#include <termios.h>

#include <optional>
#include <string>
#include <vector>

namespace zelmo::testing {

// A program on a pseudo terminal of its own (standard input, output and
// error): what it shows there, what the test types, and how it ended. The
// program is killed (by its PID) if it is still running when this goes.
class TerminalProcess {
 public:
  // The program is the bot; env holds "NAME=value" entries added to the
  // test's environment.
  // The program is the bot in the build folder unless one is given.
  explicit TerminalProcess(const std::vector<std::string>& args,
                           const std::vector<std::string>& env = {},
                           const std::string& program = {});
  ~TerminalProcess();
  TerminalProcess(const TerminalProcess&) = delete;
  TerminalProcess& operator=(const TerminalProcess&) = delete;

  // Reads what is shown until the text is there (ten seconds at most).
  bool AwaitShown(const std::string& text);
  // Reads what is shown until the text has appeared after the offset.
  bool AwaitShownAfter(std::size_t offset, const std::string& text);
  void Type(const std::string& keys);
  // Reads what is shown for a while (what arrives meanwhile).
  void Settle(int ms);
  // The terminal's mode as the program left it.
  termios Mode() const;
  pid_t Pid() const { return pid_; }
  // Waits (ten seconds at most) for the program to end; its exit status.
  std::optional<int> Exit();

  std::string shown;

 private:
  bool ReadFor(int ms);

  int master_ = -1;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace zelmo::testing
