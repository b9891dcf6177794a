#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "shell/ui/terminal/terminal_port.h"

namespace zelmo::testing {

// One pipe whose ends close with the object.
struct Pipe {
  Pipe() {
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int ReadEnd() const { return fds[0]; }
  int WriteEnd() const { return fds[1]; }
  void CloseRead() {
    if (fds[0] >= 0) close(fds[0]);
    fds[0] = -1;
  }
  void CloseWrite() {
    if (fds[1] >= 0) close(fds[1]);
    fds[1] = -1;
  }
  void Write(const std::string& bytes) const {
    ssize_t written = write(fds[1], bytes.data(), bytes.size());
    if (written != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("short write");
  }
  // Everything the pipe holds now, without waiting.
  std::string Drain() const {
    int flags = fcntl(fds[0], F_GETFL);
    fcntl(fds[0], F_SETFL, flags | O_NONBLOCK);
    std::string out;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, got);
    fcntl(fds[0], F_SETFL, flags);
    return out;
  }
  int fds[2] = {-1, -1};
};

// A terminal port on pipes: the test writes the port's standard input and
// reads what it writes to standard output and standard error.
struct PortOnPipes {
  explicit PortOnPipes(bool output_is_terminal = false, bool journal = false)
      : port(TerminalStreams{input.ReadEnd(),
                             output.WriteEnd(),
                             error.WriteEnd(),
                             output_is_terminal,
                             signal.ReadEnd(),
                             journal,
                             journal,
                             -1,
                             {}}) {}
  Pipe input, output, error, signal;
  TerminalPort port;

  // Lets the loop run a moment so that what is ready gets handled.
  bool RunUntil(const std::function<bool()>& done) {
    return port.RunUntil(done, std::chrono::seconds(10));
  }
};

}  // namespace zelmo::testing
