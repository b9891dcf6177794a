#include <gtest/gtest.h>
#include <stdlib.h>

#include "bot_on_server.h"
#include "support/page_server.h"

namespace zelmo::testing {
namespace {

// "!" commands in a channel on a real server, with the web lookups pointed at
// small servers of the test's own through the environment.
class ChannelCommands : public BotOnServer {
 protected:
  void SetUp() override {
    setenv("ZELMOBOT_DICTIONARY_HOST",
           ("127.0.0.1:" + std::to_string(dictionary.Host().port)).c_str(), 1);
    BotOnServer::SetUp();
    unsetenv("ZELMOBOT_DICTIONARY_HOST");
    if (IsSkipped()) return;
    dir.Write("Users.ini",
              "[chanowner]\nPassword=o\nRights_General=0\nRights_#room=4\n"
              "[voiced]\nPassword=v\nRights_General=0\nRights_#room=1\n");
    ConnectBot();
    BotJoins("#room");
  }

  std::unique_ptr<IrcTestClient> InRoom(const std::string& nick, const std::string& user = "",
                                        const std::string& password = "") {
    auto client = Client(nick);
    if (!user.empty()) {
      client->Send("PRIVMSG ZelmoBot :login;" + user + ";" + password);
      EXPECT_TRUE(Await(*client, "Login: Logged on").has_value());
    }
    client->JoinChannel("#room");
    return client;
  }

  PageServer dictionary;
};

TEST_F(ChannelCommands, OpFromAChannelOwnerOpsTheOwner) {
  auto owner = InRoom("alice", "chanowner", "o");
  owner->Send("PRIVMSG #room :!op");
  EXPECT_TRUE(Await(*owner, "MODE #room +o alice").has_value());
  EXPECT_TRUE(Shows("#ROOM/alice: !op"));
  EXPECT_TRUE(Shows("-> #room: +o alice"));
}

TEST_F(ChannelCommands, KickFromAVoicedMemberKicksWithTheReason) {
  auto bob = InRoom("bob");
  auto voiced = InRoom("carol", "voiced", "v");
  voiced->Send("PRIVMSG #room :!kick bob spam");
  auto kick = Await(*bob, "KICK #room bob");
  ASSERT_TRUE(kick.has_value());
  EXPECT_NE(kick->find(":spam"), std::string::npos) << *kick;
  EXPECT_TRUE(Shows("-> #room: Kicked bob"));
}

TEST_F(ChannelCommands, OpFromSomeoneWithoutRightsIsRefusedPrivately) {
  auto stranger = InRoom("dave");
  stranger->Send("PRIVMSG #room :!op bob");
  auto refusal = Await(*stranger, "!Op: Error - Access rights too low");
  ASSERT_TRUE(refusal.has_value());
  EXPECT_NE(refusal->find("PRIVMSG dave :"), std::string::npos) << *refusal;
}

TEST_F(ChannelCommands, WordLooksTheWordUpOnTheConfiguredServer) {
  dictionary.ServeAndRecord(
      "house<br>\r\n<i>noun</i>\r\nbuilding<br>\r\n<I>noun</I>\r\n</html>\r\n");
  auto asker = InRoom("erin");
  asker->Send("PRIVMSG #room :!word talo");
  EXPECT_TRUE(Await(*asker, "Word: Results for talo: house, building").has_value());
  dictionary.Join();
  EXPECT_EQ(dictionary.request, "GET /cgi-bin/mofind.exe/dr1?word=talo\r\n");
}

TEST_F(ChannelCommands, ASilentWebServerGetsTheErrorAndTheNextLookupWorks) {
  // Silent for longer than the bot waits for a page line.
  dictionary.ServeAndHold("", std::chrono::seconds(40));
  auto asker = InRoom("erin");
  asker->Send("PRIVMSG #room :!word talo");
  ASSERT_TRUE(Await(*asker, "PRIVMSG #room :Word: Error", 40000).has_value());
  dictionary.Join();
  EXPECT_TRUE(dictionary.client_closed);
  dictionary.ServeAndRecord("talo<b>\r\n<I>x\r\n</html>\r\n");
  asker->Send("PRIVMSG #room :!word talo");
  EXPECT_TRUE(Await(*asker, "Word: Results for talo: talo").has_value());
}

}  // namespace
}  // namespace zelmo::testing
