#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo::bench {

using Clock = std::chrono::steady_clock;

// The benchmark's IRC server: one listening socket on 127.0.0.1 with a port
// of the system's choice, and the one client it accepted. Sending never
// stops reading, so a client that answers while it is being flooded (a MODE
// for every JOIN) never blocks on a full socket. Every wait has a deadline.
class ScriptedServer {
 public:
  ScriptedServer();
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int Port() const { return port_; }

  bool Accept(Clock::time_point deadline);
  // All bytes sent before the deadline; false on time-out or when the client
  // is gone.
  bool Send(std::string_view bytes, Clock::time_point deadline);

  struct Line {
    Clock::time_point arrived;
    std::string text;
  };
  // The first line from the client that satisfies the test; the lines before
  // it are dropped. Nothing on time-out or when the client closed.
  std::optional<Line> WaitFor(const std::function<bool(std::string_view)>& test,
                              Clock::time_point deadline);
  std::optional<Line> WaitForText(std::string_view needle, Clock::time_point deadline) {
    return WaitFor([needle](std::string_view line) { return line.find(needle) != line.npos; },
                   deadline);
  }

  std::size_t LinesReceived() const { return lines_received_; }

 private:
  // One poll: sends what it may of `out`, reads what came. Returns false on
  // time-out, error or a closed client.
  bool PollOnce(std::string_view& out, Clock::time_point deadline);
  bool ReadAvailable();

  int listen_fd_ = -1;
  int fd_ = -1;
  int port_ = 0;
  bool closed_ = false;
  std::string partial_;
  std::deque<Line> lines_;
  std::size_t lines_received_ = 0;
};

}  // namespace zelmo::bench
