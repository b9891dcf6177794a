#include "floor_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace zelmo::bench {

namespace {

bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

// ":nick!user@host PRIVMSG target :\001PING args\001" gives the NOTICE
// "NOTICE nick :\001PING args\001"; any other line gives nothing.
std::string PingAnswer(std::string_view line) {
  if (line.empty() || line[0] != ':') return {};
  std::size_t space = line.find(' ');
  if (space == line.npos) return {};
  std::string_view prefix = line.substr(1, space - 1);
  std::string_view rest = line.substr(space + 1);
  if (!rest.starts_with("PRIVMSG ")) return {};
  std::size_t text = rest.find(" :\001PING ");
  if (text == rest.npos) return {};
  std::string_view ctcp = rest.substr(text + 2);
  if (ctcp.size() < 2 || ctcp.back() != '\001') return {};
  std::string_view nick = prefix.substr(0, prefix.find('!'));
  std::string answer = "NOTICE ";
  answer.append(nick).append(" :").append(ctcp).append("\r\n");
  return answer;
}

}  // namespace

int RunFloorClient(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 1;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (!SendAll(fd, "NICK FloorBot\r\nUSER floor 127.0.0.1 127.0.0.1 :Floor client\r\n")) return 1;

  std::string buffer;
  std::size_t start = 0;
  char chunk[32768];
  for (;;) {
    ssize_t got = recv(fd, chunk, sizeof chunk, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(got));
    for (std::size_t end; (end = buffer.find('\n', start)) != buffer.npos; start = end + 1) {
      std::string_view line(buffer.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      std::string answer = PingAnswer(line);
      if (!answer.empty() && !SendAll(fd, answer)) break;
    }
    if (start >= 32768) {
      buffer.erase(0, start);
      start = 0;
    }
  }
  close(fd);
  return 0;
}

}  // namespace zelmo::bench
