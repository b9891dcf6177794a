#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "fault_fixture.h"
#include "sanitizers.h"
#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"

// The real program on a real ngircd, its users plain IRC clients: what the
// server hands back to the bot and when it lets the bot in.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

class RealServerFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  }

  // The server with extra [Options] lines, and the bot connected to it.
  void Start(const std::string& options = "", const std::vector<std::string>& environment = {}) {
    ngircd = std::make_unique<NgircdServer>(options);
    dir.Write("Config.ini", LoopbackConfig(ngircd->Port()));
    dir.Write("Users.ini",
              "[owner]\nPassword=secret\nRights_General=2\n"
              "[speaker]\nPassword=s\nRights_General=1\n");
    bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path(), environment));
    ASSERT_TRUE(bot->AwaitDisplay("Type \"Connect\"", 10s));
    bot->Command("connect");
    ASSERT_TRUE(bot->AwaitDisplay("Connected to 127.0.0.1.", 10s));
  }

  std::unique_ptr<IrcTestClient> Client(const std::string& nick) {
    return std::make_unique<IrcTestClient>(NgircdServer::Host(), ngircd->Port(), nick);
  }

  // A user logged in to the bot; until the bot has registered, the server
  // answers a message to it with 401 and the login is tried again.
  std::unique_ptr<IrcTestClient> LoggedIn(const std::string& nick, const std::string& password) {
    auto client = Client(nick);
    for (int attempt = 0; attempt < 50; ++attempt) {
      client->Send("PRIVMSG ZelmoBot :login;" + nick + ";" + password);
      auto answer = client->WaitFor([](const std::string& line) {
        return line.find("Login: Logged on") != std::string::npos ||
               line.find(" 401 ") != std::string::npos;
      });
      if (answer && answer->find("Login: Logged on") != std::string::npos) return client;
      std::this_thread::sleep_for(100ms);
    }
    ADD_FAILURE() << nick << " could not log in";
    return client;
  }

  std::unique_ptr<NgircdServer> ngircd;
  TempDir dir;
  std::unique_ptr<BotProcess> bot;
};

// The bot's JOIN of the channel as a member sees it (after a loss the bot
// may come back under its alternative nick).
auto BotJoined(const std::string& channel) {
  return [channel](const std::string& line) {
    return line.rfind(":ZelmoBot", 0) == 0 && line.find(" JOIN :" + channel) != std::string::npos;
  };
}

// What the bot says to its own nick, the server hands back to it as a
// private message; answered, it would go round without end.
TEST_F(RealServerFaults, TheBotNeverAnswersItsOwnWords) {
  Start();
  auto speaker = LoggedIn("speaker", "s");
  speaker->Send("PRIVMSG ZelmoBot :say;zelmobot;hello");
  EXPECT_TRUE(speaker->WaitFor("PRIVMSG speaker :Say: Error - I don't talk to myself"));
  speaker->Send("PRIVMSG ZelmoBot :useradd;ZELMOBOT");
  EXPECT_TRUE(speaker->WaitFor("PRIVMSG speaker :Useradd: User added"));
  // The new user's welcome comes back to the bot: shown, not answered.
  ASSERT_TRUE(bot->AwaitDisplay("PRIVMSG/ZelmoBot: You have been added to my userfile.", 5s));
  speaker->Send("PRIVMSG ZelmoBot :\001PING 7\001");
  EXPECT_TRUE(speaker->WaitFor("NOTICE speaker :\001PING 7\001"));
  EXPECT_FALSE(bot->AwaitDisplay("Unknown command", 1s)) << bot->DisplayOutput();
  EXPECT_EQ(bot->CountDisplay("PRIVMSG/ZelmoBot:"), 1) << bot->DisplayOutput();
}

// A server that takes a while to register a client refuses a JOIN before
// its welcome ("You have not registered"). Here registration waits for the
// answer to the server's first PING, which reaches the bot only seconds
// after each connect.
TEST_F(RealServerFaults, TheRejoinWaitsForTheWelcomeOfASlowRegistration) {
  if (kAddressSanitizer) GTEST_SKIP() << "the slow link cannot be loaded first";
  Start("RequireAuthPing = yes\n", SlowLink({"ZELMO_FAULT_READ_DELAY_MS=3000"}));
  auto owner = LoggedIn("owner", "secret");
  owner->JoinChannel("#room");
  owner->JoinChannel("#second");
  owner->Send("PRIVMSG ZelmoBot :join;#room");
  owner->Send("PRIVMSG ZelmoBot :join;#second");
  ASSERT_TRUE(owner->WaitFor(BotJoined("#room")));
  ASSERT_TRUE(owner->WaitFor(BotJoined("#second")));

  auto oper = Client("oper");
  oper->BecomeOperator();
  oper->Send("KILL ZelmoBot :slow registration test");
  ASSERT_TRUE(owner->WaitFor([](const std::string& line) {
    return line.rfind(":ZelmoBot!", 0) == 0 && line.find(" QUIT ") != std::string::npos;
  }));
  EXPECT_TRUE(owner->WaitFor(BotJoined("#room"), 15000)) << bot->DisplayOutput();
  EXPECT_TRUE(owner->WaitFor(BotJoined("#second"), 5000)) << bot->DisplayOutput();
  EXPECT_EQ(bot->CountDisplay("Disconnected from 127.0.0.1. I were on 2 channel(s)"), 1);
}

}  // namespace
}  // namespace zelmo::testing
