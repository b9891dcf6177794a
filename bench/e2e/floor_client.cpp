#include "floor_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>

#include "tls_ends.h"

namespace zelmo::bench {

namespace {

// The connection, plain or through TLS.
struct Link {
  int fd;
  std::unique_ptr<TlsClientEnd> tls;

  long Receive(char* into, std::size_t size) const {
    if (tls) return tls->Receive(into, size);
    return recv(fd, into, size, 0);
  }
  long Send(std::string_view bytes) const {
    if (tls) return tls->Send(bytes.data(), bytes.size());
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
};

bool SendAll(const Link& link, std::string_view bytes) {
  while (!bytes.empty()) {
    long sent = link.Send(bytes);
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

int RunFloorClient(int port, bool tls) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 1;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  Link link{fd, tls ? std::make_unique<TlsClientEnd>(fd) : nullptr};
  if (link.tls && !link.tls->Ready()) return 1;
  if (!SendAll(link, "NICK FloorBot\r\nUSER floor 127.0.0.1 127.0.0.1 :Floor client\r\n")) return 1;

  std::string buffer;
  std::size_t start = 0;
  char chunk[32768];
  for (;;) {
    long got = link.Receive(chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(got));
    for (std::size_t end; (end = buffer.find('\n', start)) != buffer.npos; start = end + 1) {
      std::string_view line(buffer.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      std::string answer = PingAnswer(line);
      if (!answer.empty() && !SendAll(link, answer)) break;
    }
    if (start >= 32768) {
      buffer.erase(0, start);
      start = 0;
    }
  }
  link.tls.reset();
  close(fd);
  return 0;
}

}  // namespace zelmo::bench
