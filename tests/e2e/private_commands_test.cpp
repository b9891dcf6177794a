#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bot_on_server.h"
#include "shell/base/ini_file.h"

namespace zelmo::testing {
namespace {

// People on a real server talk to the bot: log in, steer it, and meet its
// reactions when they join and chat.
class PrivateCommands : public BotOnServer {
 protected:
  void SetUp() override {
    BotOnServer::SetUp();
    if (IsSkipped()) return;
    dir.Write("Users.ini",
              "[owner]\nPassword=Secret\nRights_General=2\n"
              "[master]\nPassword=m\nRights_General=0\nRights_#room=3\n");
    ConnectBot();
  }

  // A client logged in as the given user; waits for the bot's answer.
  std::unique_ptr<IrcTestClient> LoggedIn(const std::string& nick, const std::string& user,
                                          const std::string& password) {
    auto client = Client(nick);
    client->Send("PRIVMSG ZelmoBot :login;" + user + ";" + password);
    EXPECT_TRUE(Await(*client, "Login: Logged on").has_value());
    return client;
  }
};

TEST_F(PrivateCommands, LoginStoresTheAddressMapHostmaskAndTime) {
  auto client = LoggedIn("bob", "owner", "SECRET");
  TIniFile users(dir.File("Users.ini"));
  std::string address = users.ReadString("owner", "Hostmask", "-1");
  EXPECT_NE(address, "-1");
  EXPECT_NE(address.find('@'), std::string::npos) << address;
  EXPECT_EQ(users.ReadString("Address", address, "-1"), "owner");
  EXPECT_NE(users.ReadString("owner", "Logintime", "-1"), "-1");
  EXPECT_TRUE(Shows("PRIVMSG/bob: login;owner;SECRET"));
  EXPECT_TRUE(Shows("-> bob: Login: Logged on"));
}

TEST_F(PrivateCommands, TheOwnerMakesTheBotJoinAndMasterIsOppedOnJoin) {
  auto owner = LoggedIn("bob", "owner", "secret");
  owner->Send("PRIVMSG ZelmoBot :join;#room");
  ASSERT_TRUE(Await(*owner, "Join: Joined channel #room").has_value());
  ASSERT_TRUE(Pump([&] { return form->IRC.Channels.Find("#room") != nullptr; }));
  auto master = LoggedIn("carol", "master", "m");
  master->JoinChannel("#room");
  auto op = Await(*master, "MODE #room +o carol");
  ASSERT_TRUE(op.has_value());
  EXPECT_TRUE(Shows("carol has joined #room"));
  EXPECT_TRUE(Shows("-> #room: +o carol"));
}

TEST_F(PrivateCommands, AColouredChannelMessageIsKicked) {
  BotJoins("#room");
  auto chatter = Client("dave");
  chatter->JoinChannel("#room");
  // The bot is the channel's first member and so its operator.
  chatter->Send(
      "PRIVMSG #room :\x03"
      "4red text");
  auto kick = Await(*chatter, "KICK #room dave");
  ASSERT_TRUE(kick.has_value());
  EXPECT_NE(kick->find("No colors!"), std::string::npos) << *kick;
}

TEST_F(PrivateCommands, ANickCommandRenamesTheBotAndSavesTheNick) {
  auto owner = LoggedIn("bob", "owner", "secret");
  owner->Send("PRIVMSG ZelmoBot :nick;NewName");
  ASSERT_TRUE(Await(*owner, "Nick: Nick changed to NewName").has_value());
  ASSERT_TRUE(Pump([&] { return form->IRC.Nick() == "NewName"; }));
  EXPECT_EQ(TIniFile(dir.File("Config.ini")).ReadString("Me", "Nick", ""), "NewName");
  ASSERT_FALSE(port.balloons.empty());
  EXPECT_EQ(port.balloons.back().title, "Nick changed");
  EXPECT_EQ(port.balloons.back().text, "My nick has been changed from ZelmoBot to NewName");
}

// A rights number acts as its low byte once stored (-252 is 4, -254 is 2), so
// it is judged as that level: no one grants above their own level with it,
// nor makes a general owner without GENERALOWNER.
TEST_F(PrivateCommands, RightsNumbersOutOfByteRangeAreJudgedByTheLevelTheyActAs) {
  auto master = LoggedIn("carol", "master", "m");
  auto owner = LoggedIn("bob", "owner", "secret");
  const std::string before = dir.Read("Users.ini");
  master->Send("PRIVMSG ZelmoBot :usermod;master;#room;-252");
  EXPECT_TRUE(Await(*master, "PRIVMSG carol :Usermod: Error - Access rights too low").has_value());
  owner->Send("PRIVMSG ZelmoBot :usermod;master;general;-254");
  EXPECT_TRUE(Await(*owner,
                    "PRIVMSG bob :Usermod: Error - can't add general owner with usermod. Use "
                    "\"generalowner\" instead.")
                  .has_value());
  EXPECT_EQ(dir.Read("Users.ini"), before);
}

TEST_F(PrivateCommands, AnUnwritableUserFileIsNeverChangedAndTheBotGoesOn) {
  std::string before = dir.Read("Users.ini");
  chmod(dir.File("Users.ini").c_str(), 0444);
  auto client = Client("bob");
  client->Send("PRIVMSG ZelmoBot :login;owner;secret");
  client->Send("PRIVMSG ZelmoBot :help;say");
  auto answer = Await(*client, "PRIVMSG bob :");
  ASSERT_TRUE(answer.has_value());
  EXPECT_NE(answer->find("Say: Use as privmsg."), std::string::npos) << *answer;
  EXPECT_EQ(dir.Read("Users.ini"), before);
  EXPECT_TRUE(port.errors.empty());
}

}  // namespace
}  // namespace zelmo::testing
