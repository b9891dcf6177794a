#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "fault/fault_fixture.h"
#include "shell/channel_log_lines.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

class ChannelLogs : public FaultTest {
 protected:
  // The lines of today's log of the channel once its last line holds the
  // text, without their time stamps.
  std::vector<std::string> AwaitLog(const std::string& channel_file, const std::string& last) {
    const std::string name = "logs/" + channel_file + "/" + Today() + ".log";
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
      text = dir.Exists(name) ? dir.Read(name) : "";
      if (text.ends_with(last + "\n")) break;
      std::this_thread::sleep_for(20ms);
    }
    std::vector<std::string> lines;
    const std::regex stamped(R"(\[\d\d:\d\d:\d\d\] (.*))");
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      std::smatch match;
      const std::string line = text.substr(at, end - at);
      lines.push_back(std::regex_match(line, match, stamped) ? match[1].str() : "?" + line);
    }
    return lines;
  }
  static std::string Today() { return log_line::LocalStamp(std::time(nullptr)).day; }
};

TEST_F(ChannelLogs, TwoChannelsEachGetTheirOwnLogOfWhatTheBotSees) {
  dir.Write("Users.ini", "[speaker]\nPassword=s\nRights_General=1\n[Address]\nsp@h=speaker\n");
  StartBot("[Logs]\nFolder=logs\nChannels=#one, #Two\n");
  ConnectBot();
  JoinBot("#One");
  JoinBot("#two");
  JoinBot("#three");
  ASSERT_TRUE(From("alice", "a@h", "JOIN #One"));
  ASSERT_TRUE(From("alice", "a@h", "JOIN #two"));
  ASSERT_TRUE(From("alice", "a@h", "JOIN #three"));
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #One :hello one"));
  ASSERT_TRUE(From("alice", "a@h",
                   "PRIVMSG #two :\x01"
                   "ACTION waves\x01"));
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #three :not logged"));
  ASSERT_TRUE(Tell("speaker", "sp@h", "say;#two;hi from the bot"));
  ASSERT_TRUE(From("op", "o@h", "MODE #One +o alice"));
  ASSERT_TRUE(From("op", "o@h", "TOPIC #two :news"));
  ASSERT_TRUE(From("alice", "a@h", "NICK alice2"));
  ASSERT_TRUE(From("alice2", "a@h", "QUIT :gone"));
  Answers();

  EXPECT_EQ(
      AwaitLog("#one", "<-- alice2 quit (gone)"),
      (std::vector<std::string>{"--> " + nick + " joined", "--> alice (a@h) joined",
                                "<alice> hello one", "*** op sets mode +o alice",
                                "*** alice is now known as alice2", "<-- alice2 quit (gone)"}));
  EXPECT_EQ(AwaitLog("#two", "<-- alice2 quit (gone)"),
            (std::vector<std::string>{
                "--> " + nick + " joined", "--> alice (a@h) joined", "* alice waves",
                "<" + nick + "> hi from the bot", "*** op changes topic to 'news'",
                "*** alice is now known as alice2", "<-- alice2 quit (gone)"}));
  EXPECT_FALSE(dir.Exists("logs/#three"));
  struct stat info {};
  ASSERT_EQ(stat(dir.File("logs/#one/" + Today() + ".log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(bot->CountDisplay("Channel log"), 0);

  // Rotated away and SIGUSR1: the next line starts a new file.
  const std::string today = "logs/#one/" + Today() + ".log";
  ASSERT_EQ(std::rename(dir.File(today).c_str(), dir.File(today + ".1").c_str()), 0);
  bot->Signal(SIGUSR1);
  std::this_thread::sleep_for(200ms);  // the signal reaches the form by its own pipe
  ASSERT_TRUE(Tell("speaker", "sp@h", "say;#One;after the rotation"));
  Answers();
  EXPECT_EQ(AwaitLog("#one", "<" + nick + "> after the rotation"),
            std::vector<std::string>{"<" + nick + "> after the rotation"});
}

// The writer's thread tells the operator, through the user-interface thread,
// once; the bot goes on answering.
TEST_F(ChannelLogs, AFolderThatCannotBeWrittenIsOneDangerousLine) {
  dir.Write("logs", "a file where the folder should be");
  StartBot("[Logs]\nFolder=logs\n");
  ConnectBot();
  JoinBot("#room");
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #room :line"));
  Answers();
  const std::string told =
      "Channel log: cannot write " + dir.File("logs/#room") + ": Not a directory";
  ASSERT_TRUE(bot->AwaitDisplay(told, 10s)) << ::testing::PrintToString(bot->DisplayTexts());
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #room :!tv 5"));
  EXPECT_EQ(PrivmsgsTo(Answers(), "#room"),
            std::vector<std::string>{"TV: Error - Unknown channel 5"});
  EXPECT_EQ(bot->CountDisplay("Channel log"), 1);
}

}  // namespace
}  // namespace zelmo::testing
