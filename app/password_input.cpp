#include "app/password_input.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "shell/base/errors.h"

namespace zelmo {

namespace {

// Turns the terminal's echo off for as long as it lives. Signal keys are
// off too, so that Ctrl-C arrives as a character instead of ending the
// program with the echo still off; the line feed is still echoed.
class QuietTerminal {
 public:
  explicit QuietTerminal(int fd) : fd_(fd) {
    if (tcgetattr(fd_, &saved_) != 0) throw Exception("cannot read the terminal's settings");
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ISIG);
    quiet.c_lflag |= ECHONL;
    if (tcsetattr(fd_, TCSAFLUSH, &quiet) != 0) throw Exception("cannot turn the echo off");
  }
  ~QuietTerminal() { tcsetattr(fd_, TCSAFLUSH, &saved_); }
  QuietTerminal(const QuietTerminal&) = delete;
  QuietTerminal& operator=(const QuietTerminal&) = delete;

 private:
  int fd_;
  termios saved_{};
};

std::string TypedLine(const std::string& prompt) {
  // Quiet before the prompt: turning the echo off drops what was typed
  // before, which must not be the password.
  QuietTerminal quiet(STDIN_FILENO);
  std::cerr << prompt << std::flush;
  std::string line;
  bool ended = !std::getline(std::cin, line);
  if (line.find('\x03') != std::string::npos || (ended && line.empty())) {
    if (ended) std::cerr << "\n";
    throw Exception("cancelled, no user added");
  }
  return line;
}

}  // namespace

std::string ReadNewPassword(const std::string& name) {
  if (isatty(STDIN_FILENO) != 1) {
    std::string line;
    std::getline(std::cin, line);
    if (line.ends_with('\r')) line.pop_back();
    return line;
  }
  std::string first = TypedLine("Password for " + name + ": ");
  if (first.empty()) return first;
  if (TypedLine("The same password again: ") != first) {
    throw Exception("the two passwords differ, no user added");
  }
  return first;
}

}  // namespace zelmo
