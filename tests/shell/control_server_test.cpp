#include "shell/ui/terminal/control_server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "shell/base/control_socket.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using namespace std::chrono_literals;

// A server on a socket in a temporary folder, its loop run by the test.
struct ServerOnSocket {
  explicit ServerOnSocket(ControlLimits limits)
      : path(dir.File("zelmobot.sock")),
        server(loop, ListenControlSocket(path), limits,
               ControlEvents{[this](int console, const std::string& line) {
                               inputs.push_back(std::to_string(console) + ":" + line);
                             },
                             nullptr, nullptr}) {}
  // Runs the loop for a moment, so the server accepts, reads and writes.
  void Turn() {
    bool expired = false;
    const int timer = loop.AddTimer([&] { expired = true; });
    loop.SetTimer(timer, 50, true);
    loop.RunUntil([&] { return expired; });
    loop.RemoveTimer(timer);
  }
  int Connect() {
    const int fd = ConnectControlSocket(path, 2s);
    Turn();
    return fd;
  }
  // What the console got so far.
  static std::string Received(int fd) {
    std::string got;
    char buffer[4096];
    pollfd ready{fd, POLLIN, 0};
    while (poll(&ready, 1, 0) == 1) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  testing::TempDir dir;
  std::string path;
  EventLoop loop;
  std::vector<std::string> inputs;
  ControlServer server;
};

TEST(ControlServer, BacklogIsBoundedAndConsolesPastTheLimitAreRefused) {
  ServerOnSocket bot(ControlLimits{2, 2, 1024 * 1024});
  for (const char* text : {"one", "two", "three"}) {
    bot.server.Publish(ControlDisplayLine{Normal, 0, text});
  }
  const int first = bot.Connect();
  EXPECT_EQ(ServerOnSocket::Received(first), "L30 two\nL30 three\nR\n");
  const int second = bot.Connect();
  const int third = bot.Connect();
  EXPECT_EQ(ServerOnSocket::Received(third), "NToo many consoles\n");
  EXPECT_EQ(bot.server.ConsoleCount(), 2u);
  ASSERT_EQ(write(second, "Ccomment;x\nA1\nCexit\n", 20), 20);
  bot.Turn();
  EXPECT_EQ(bot.inputs, (std::vector<std::string>{"2:comment;x", "2:exit"}));
  close(first);
  bot.Turn();
  EXPECT_EQ(bot.server.ConsoleCount(), 1u);
  close(second);
  close(third);
}

}  // namespace
}  // namespace zelmo
