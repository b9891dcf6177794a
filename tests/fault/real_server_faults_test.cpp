#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

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

  // The server, and the bot connected to it.
  void Start() {
    ngircd = std::make_unique<NgircdServer>();
    dir.Write("Config.ini", LoopbackConfig(ngircd->Port()));
    dir.Write("Users.ini", "[speaker]\nPassword=s\nRights_General=1\n");
    bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path()));
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

}  // namespace
}  // namespace zelmo::testing
