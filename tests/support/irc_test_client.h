#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelmo::testing {

// A plain IRC client for end-to-end tests: it registers with a nick, answers
// the server's PINGs by itself, and lets a test send lines and wait for the
// lines it expects. Every wait is bounded.
class IrcTestClient {
 public:
  IrcTestClient(const std::string& host, int port, const std::string& nick);
  ~IrcTestClient();
  IrcTestClient(const IrcTestClient&) = delete;
  IrcTestClient& operator=(const IrcTestClient&) = delete;

  const std::string& Nick() const { return nick_; }
  void Send(const std::string& line);
  // The next line, or nothing when none came in time or the link closed.
  std::optional<std::string> ReadLine(int timeout_ms = 10000);
  // Reads until a line contains the text; returns that line, or nothing.
  // Every line read on the way is kept in `seen`.
  std::optional<std::string> WaitFor(const std::string& text, int timeout_ms = 10000);
  std::optional<std::string> WaitFor(const std::function<bool(const std::string&)>& match,
                                     int timeout_ms = 10000);
  // Logs in as IRC operator "oper".
  void BecomeOperator();
  // Joins a channel and waits for the end of its names list.
  void JoinChannel(const std::string& channel);

  std::vector<std::string> seen;

 private:
  int fd_ = -1;
  std::string nick_;
  std::string pending_;
};

}  // namespace zelmo::testing
