#include <gtest/gtest.h>

#include "shell/mainunit.h"
#include "support/loopback_server.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::RecordingPort;
using testing::TempDir;

class Console : public ::testing::Test {
 protected:
  Console() : form(port, dir.Path()) { port.lines.clear(); }
  TempDir dir;
  RecordingPort port;
  TMainForm form;
};

TEST_F(Console, CommentWritesTheSecondPartInTheDangerousColour) {
  form.UserInputEntered("comment;hello;world");
  form.UserInputEntered("COMMENT;");
  EXPECT_EQ(port.Texts(),
            (std::vector<std::string>{"Comment by user: hello", "Comment by user: "}));
  EXPECT_EQ(port.lines[0].color, clOlive);
}

TEST_F(Console, CommentWithoutTextIsAnErrorWithoutFullStop) {
  form.UserInputEntered("comment");
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0],
            std::make_pair(std::string("ZelmoBot"), std::string("List index out of bounds (1)")));
  EXPECT_TRUE(port.lines.empty());
}

TEST_F(Console, ClearLeavesOnlyItsNotice) {
  form.UserInputEntered("comment;x");
  form.UserInputEntered("Clear");
  EXPECT_EQ(port.Texts(), (std::vector<std::string>{"Message display cleared by host"}));
  EXPECT_EQ(port.clears, 1);
}

TEST_F(Console, UnknownWordsHelpAndLeadingBlanksDoNothing) {
  for (const char* input : {"status", "HELP", "help;me", " connect", "", "connect ;x"}) {
    form.UserInputEntered(input);
  }
  EXPECT_TRUE(port.lines.empty());
  EXPECT_TRUE(port.errors.empty());
}

TEST_F(Console, ReloadReadsTheConfigurationAgain) {
  dir.Write("Config.ini",
            "[General]\nSecurity password=pw\n[Me]\nNick=Other\n[Display]\nNormal Text "
            "Color=clRed\n");
  form.UserInputEntered("reload");
  EXPECT_EQ(port.Texts(), (std::vector<std::string>{"(Re)Loaded Config file..."}));
  EXPECT_EQ(form.IRC.Nick(), "Other");
  dir.Write("Config.ini", "[Display]\nDangerous Text Color=nonsense\n");
  form.UserInputEntered("RELOAD");
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0].second, "'nonsense' is not a valid integer value.");
}

TEST_F(Console, ExitAsksTheWindowToClose) {
  form.UserInputEntered("exit");
  EXPECT_EQ(port.close_requests, 1);
}

TEST_F(Console, DisconnectWhileOfflineOnlyWritesItsLine) {
  form.Reconnect().ReconnectWanted = true;
  form.UserInputEntered("disconnect;bye");
  EXPECT_EQ(port.Texts(), (std::vector<std::string>{"Disconnecting from localhost..."}));
  EXPECT_FALSE(form.Reconnect().ReconnectWanted);
}

TEST_F(Console, ARefusedConnectShowsTheSocketError) {
  int port_number = 0;
  {
    testing::LoopbackServer closed;  // a port that nobody listens on once it is gone
    port_number = closed.Port();
  }
  dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(port_number) + "\n");
  form.UserInputEntered("reload");
  form.UserInputEntered("connect;ignored");
  ASSERT_TRUE(port.PumpUntil([&] { return !port.errors.empty(); }));
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0].second, "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(port.Texts().back(), "Connecting to 127.0.0.1...");
  EXPECT_FALSE(form.Reconnect().ReconnectWanted);
}

TEST_F(Console, AnUnknownHostShowsHostNotFound) {
  // A name service of the test's own, which knows no name.
  form.IRC.Resolver = [](const std::string&) { return std::optional<std::string>(); };
  dir.Write("Config.ini", "[Me]\nIRCHost=no-such-host.invalid\n");
  form.UserInputEntered("reload");
  form.UserInputEntered("connect");
  ASSERT_TRUE(port.PumpUntil([&] { return !port.errors.empty(); }));
  ASSERT_EQ(port.errors.size(), 1u);
  EXPECT_EQ(port.errors[0].second, "Socket Error # 11001\r\nHost not found.");
}

// Each console word reaches its action alone, with the parts it takes.
class RecordingConsole : public ConsoleActions {
 public:
  void ConnectToServer() override { calls.push_back("connect"); }
  void DisconnectFromServer(const std::optional<std::string>& text) override {
    calls.push_back(text ? "disconnect:" + *text : "disconnect");
  }
  void LoadConfig() override { calls.push_back("reload"); }
  void RequestExit() override { calls.push_back("exit"); }
  void ClearDisplay() override { calls.push_back("clear"); }
  void Comment(const std::string& text) override { calls.push_back("comment:" + text); }
  std::vector<std::string> calls;
};

TEST(ConsoleWords, EachWordRunsItsOwnActionWithItsParts) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"Connect;x", {"connect"}},
      {"disconnect", {"disconnect"}},
      {"DISCONNECT;", {"disconnect:"}},
      {"disconnect;see you;x", {"disconnect:see you"}},
      {"reLoad", {"reload"}},
      {"exit", {"exit"}},
      {"clear;x", {"clear"}},
      {"comment;a;b", {"comment:a"}},
      {"help", {}},
      {"connectx", {}},
  };
  for (const auto& [input, expected] : cases) {
    RecordingConsole console;
    ConsoleCommand(console, input);
    EXPECT_EQ(console.calls, expected) << input;
  }
}

TEST_F(Console, OnlyTheFirstConsoleInputCharactersCount) {
  form.UserInputEntered("comment;" + std::string(5000, 'x'));
  ASSERT_EQ(port.lines.size(), 1u);
  EXPECT_EQ(port.Texts()[0].size(), std::string("Comment by user: ").size() + 4096 - 8);
}

}  // namespace
}  // namespace zelmo
