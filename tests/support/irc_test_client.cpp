#include "support/irc_test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace zelmo::testing {

IrcTestClient::IrcTestClient(const std::string& host, int port, const std::string& nick)
    : nick_(nick) {
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd_);
    throw std::runtime_error("test client could not connect");
  }
  Send("NICK " + nick);
  Send("USER " + nick + " 0 * :Test client " + nick);
  if (!WaitFor(" 001 ")) throw std::runtime_error("test client " + nick + " not registered");
}

IrcTestClient::~IrcTestClient() {
  if (fd_ >= 0) {
    Send("QUIT :done");
    close(fd_);
  }
}

void IrcTestClient::Send(const std::string& line) {
  std::string bytes = line + "\r\n";
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t count = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (count <= 0) return;
    done += static_cast<std::size_t>(count);
  }
}

std::optional<std::string> IrcTestClient::ReadLine(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("PING ", 0) == 0) {
        Send("PONG " + line.substr(5));
        continue;
      }
      seen.push_back(line);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return std::nullopt;
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    ssize_t count = recv(fd_, buffer, sizeof buffer, 0);
    if (count <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<std::size_t>(count));
  }
}

std::optional<std::string> IrcTestClient::WaitFor(const std::string& text, int timeout_ms) {
  return WaitFor([&text](const std::string& line) { return line.find(text) != std::string::npos; },
                 timeout_ms);
}

std::optional<std::string> IrcTestClient::WaitFor(
    const std::function<bool(const std::string&)>& match, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return std::nullopt;
    auto line = ReadLine(static_cast<int>(left));
    if (!line) return std::nullopt;
    if (match(*line)) return line;
  }
}

void IrcTestClient::BecomeOperator() {
  Send("OPER oper operpw");
  if (!WaitFor(" 381 ")) throw std::runtime_error("test client could not become operator");
}

void IrcTestClient::JoinChannel(const std::string& channel) {
  Send("JOIN " + channel);
  if (!WaitFor(" 366 ")) throw std::runtime_error("test client could not join " + channel);
}

}  // namespace zelmo::testing
