#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "shell/base/control_socket.h"
#include "support/bot_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/terminal_process.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// A bot run as a service runs it: standard input closed, consoles attached
// over its control socket, which lies in the data folder here.
class AppAttach : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("Config.ini", LoopbackConfig(server.Port()));
    ProcessOptions options = HeadlessBot(dir.Path());
    options.with_input = false;
    bot = std::make_unique<BotProcess>(options);
    ASSERT_TRUE(bot->AwaitDisplay("Data folder: ", 10s)) << bot->ErrorOutput();
  }

  ProcessOptions Client(std::vector<std::string> args) const {
    ProcessOptions options = HeadlessBot(dir.Path());
    args.insert(args.end(), {"--data-dir", dir.Path()});
    options.args = args;
    return options;
  }
  std::unique_ptr<BotProcess> Attach() const {
    auto console = std::make_unique<BotProcess>(Client({"--attach"}));
    EXPECT_TRUE(console->AwaitDisplay("Data folder: ", 10s)) << console->ErrorOutput();
    return console;
  }
  std::string SocketPath() const { return dir.File("zelmobot.sock"); }

  TempDir dir;
  LoopbackServer server;
  std::unique_ptr<BotProcess> bot;
};

// Each console sees the backlog, then what any console's commands write;
// CONNECT typed there connects; Ctrl-D detaches one and the bot runs on.
TEST_F(AppAttach, ConsolesSeeBacklogAndLiveLinesTheirCommandsRunAndCtrlDDetaches) {
  auto first = Attach();
  auto second = Attach();
  first->Command("comment;from the first");
  EXPECT_TRUE(second->AwaitDisplay("Comment by user: from the first", 10s));
  EXPECT_TRUE(bot->AwaitDisplay("Comment by user: from the first", 10s));
  second->Command("connect");
  EXPECT_NE(server.Accept(10s), nullptr);
  EXPECT_TRUE(first->AwaitDisplay("Connecting to 127.0.0.1...", 10s));
  first->CloseInput();
  EXPECT_EQ(first->WaitExit(10s), 0);
  second->Command("comment;still here");
  EXPECT_TRUE(second->AwaitDisplay("Comment by user: still here", 10s));
  EXPECT_TRUE(bot->Running());
}

// On a terminal the console edits its lines (Ctrl-U clears the line);
// Ctrl-D detaches.
TEST_F(AppAttach, OnATerminalTheConsoleEditsItsLinesAndCtrlDDetaches) {
  TerminalProcess console({"--attach", "--data-dir", dir.Path()}, {"NO_COLOR=1"});
  ASSERT_TRUE(console.AwaitShown("Data folder: ")) << console.shown;
  console.Type(
      "comment;wrong\x15"
      "comment;typed\r");
  EXPECT_TRUE(bot->AwaitDisplay("Comment by user: typed", 10s));
  EXPECT_TRUE(console.AwaitShown("Comment by user: typed")) << console.shown;
  EXPECT_EQ(bot->CountDisplay("wrong"), 0);
  console.Type("\x04");
  EXPECT_EQ(console.Exit(), 0);
  EXPECT_TRUE(bot->Running());
}

// EXIT's question goes to the console that typed it, not to the bot's own
// streams; OK there ends the bot, and the console with it.
TEST_F(AppAttach, ExitAsksOnTheConsoleThatTypedIt) {
  auto console = Attach();
  console->Command("exit");
  EXPECT_TRUE(console->Await(
      [](const ProcessOutput& o) {
        return o.err.find("Do you want to exit ZelmoBot?") != std::string::npos;
      },
      10s));
  console->Command("ok");
  EXPECT_EQ(bot->WaitExit(10s), 0);
  EXPECT_EQ(console->WaitExit(10s), 0);
  EXPECT_EQ(bot->ErrorOutput().find("Do you want"), std::string::npos);
  EXPECT_FALSE(dir.Exists("zelmobot.sock"));
}

// A console that never reads fills its queue and is dropped; the bot and
// the other consoles go on.
TEST_F(AppAttach, AStuckConsoleIsDroppedWithoutSlowingTheBot) {
  const int stuck = ConnectControlSocket(SocketPath(), 2s);
  const int small = 4096;
  setsockopt(stuck, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  auto console = Attach();
  const std::string filler(3000, 'x');
  for (int i = 0; i < 1000 && bot->ErrorOutput().find("fell behind") == std::string::npos; ++i) {
    console->Command("comment;" + filler);
  }
  EXPECT_TRUE(bot->Await(
      [](const ProcessOutput& o) {
        return o.err.find("Console 1 fell behind and was detached") != std::string::npos;
      },
      30s));
  console->Command("comment;after the drop");
  EXPECT_TRUE(console->AwaitDisplay("Comment by user: after the drop", 10s));
  close(stuck);
}

// Another user's process is refused even where the socket's mode would let
// it in.
TEST_F(AppAttach, AnotherUserIsRefused) {
  if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs root";
  chmod(dir.Path().c_str(), 0755);
  chmod(SocketPath().c_str(), 0666);
  ProcessOptions options = Client(
      {"--reuid", "nobody", "--regid", "nogroup", "--clear-groups", BotBinary(), "--attach"});
  options.program = "/usr/bin/setpriv";
  BotProcess stranger(options);
  EXPECT_EQ(stranger.WaitExit(10s), 1);
  EXPECT_NE(stranger.ErrorOutput().find("Refused: not the bot's user"), std::string::npos)
      << stranger.ErrorOutput();
  EXPECT_EQ(stranger.DisplayOutput().find("Data folder"), std::string::npos);
}

// --command: what the command writes, without the backlog, and exit 0; no
// bot there: the reason and 1.
TEST_F(AppAttach, CommandAgainstARunningAndAMissingBot) {
  BotProcess command(Client({"--command", "comment;by command"}));
  EXPECT_EQ(command.WaitExit(10s), 0);
  EXPECT_NE(command.DisplayOutput().find("Comment by user: by command"), std::string::npos);
  EXPECT_EQ(command.DisplayOutput().find("Data folder"), std::string::npos);

  TempDir empty;
  ProcessOptions options = Client({"--command", "reload"});
  options.args.back() = empty.Path();
  BotProcess missing(options);
  EXPECT_EQ(missing.WaitExit(10s), 1);
  EXPECT_NE(missing.ErrorOutput().find("No ZelmoBot runs on " + empty.Path()), std::string::npos)
      << missing.ErrorOutput();
}

}  // namespace
}  // namespace zelmo::testing
