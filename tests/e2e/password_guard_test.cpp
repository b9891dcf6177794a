#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "bot_on_server.h"
#include "shell/base/ini_file.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// Logins on a real server, against guessing (a short block) and with hashed
// passwords when the configuration asks for them.
class PasswordGuard : public BotOnServer {
 protected:
  void Start(const std::string& general) {
    extra_config = "[General]\n" + general;
    BotOnServer::SetUp();
    if (IsSkipped()) return;
    dir.Write("Users.ini", "[owner]\nPassword=Secret\nRights_General=2\n");
    ConnectBot();
  }
  void SetUp() override {}

  bool Answers(IrcTestClient& client, const std::string& text, const std::string& reply) {
    client.Send("PRIVMSG ZelmoBot :" + text);
    return Await(client, "PRIVMSG " + client.Nick() + " :" + reply).has_value();
  }
  std::string StoredPassword(const std::string& user) {
    return TIniFile(dir.File("Users.ini")).ReadString(user, "Password", "-1");
  }
};

TEST_F(PasswordGuard, TheSixthWrongLoginIsRefusedUntilTheBlockEnds) {
  Start("LoginBlockSeconds=3\n");
  auto guesser = Client("mallory");
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Answers(*guesser, "login;owner;guess", "Login: Wrong"));
  const auto blocked_at = std::chrono::steady_clock::now();
  EXPECT_TRUE(Answers(*guesser, "login;owner;Secret",
                      "Login: Error - Too many failed logins, try again later"));
  int warnings = 0;
  for (const auto& line : port.lines) {
    if (line.Text().starts_with("Too many failed logins from ") &&
        line.Text().find("mallory@") != std::string::npos) {
      ++warnings;
      EXPECT_EQ(line.color, clOlive) << line.Text();
    }
  }
  EXPECT_EQ(warnings, 1);
  auto owner = Client("bob");
  EXPECT_TRUE(Answers(*owner, "login;owner;secret", "Login: Logged on"));
  std::this_thread::sleep_until(blocked_at + 3100ms);
  EXPECT_TRUE(Answers(*guesser, "login;owner;Secret", "Login: Logged on"));
}

TEST_F(PasswordGuard, HashedPasswordsAreWrittenCheckedAndUpgraded) {
  Start("HashPasswords=1\n");
  auto owner = Client("bob");
  ASSERT_TRUE(Answers(*owner, "login;owner;SECRET", "Login: Logged on"));
  const std::string upgraded = StoredPassword("owner");
  EXPECT_TRUE(upgraded.starts_with("$y$")) << upgraded;
  ASSERT_TRUE(Answers(*owner, "newpass;secret;NewPw", "Newpass: Your password is now set to NewPw"));
  EXPECT_TRUE(StoredPassword("owner").starts_with("$y$"));
  EXPECT_EQ(dir.Read("Users.ini").find("NewPw"), std::string::npos) << dir.Read("Users.ini");
  EXPECT_TRUE(Answers(*owner, "userpass;owner", "Userpass: owner - (hashed)"));
  auto carol = Client("carol");
  ASSERT_TRUE(Answers(*owner, "useradd;carol", "Useradd: User added"));
  EXPECT_TRUE(Await(*carol, "You password is carol.").has_value());
  EXPECT_TRUE(StoredPassword("carol").starts_with("$y$"));
  EXPECT_TRUE(Answers(*carol, "login;carol;CaRoL", "Login: Logged on"));
  EXPECT_TRUE(Answers(*carol, "login;owner;nEWpW", "Login: Logged on"));
  EXPECT_TRUE(Answers(*carol, "login;owner;NewPw!", "Login: Wrong password"));
}

TEST_F(PasswordGuard, FilesOthersMayReadAreNamedAtReload) {
  Start("");
  ASSERT_EQ(chmod(dir.File("Users.ini").c_str(), 0644), 0);
  form->UserInputEntered("reload");
  EXPECT_EQ(ColourOf("Users.ini is readable by other users: chmod 600 it"), clOlive);
  ASSERT_EQ(chmod(dir.File("Config.ini").c_str(), 0660), 0);
  ASSERT_EQ(chmod(dir.File("Users.ini").c_str(), 0602), 0);
  form->UserInputEntered("reload");
  EXPECT_TRUE(Shows("Config.ini is readable and writable by other users: chmod 600 it"));
  EXPECT_TRUE(Shows("Users.ini is writable by other users: chmod 600 it"));
}

TEST(PasswordGuardAtStart, AConfigReadableByOthersIsNamedAtStart) {
  TempDir dir;
  dir.Write("Config.ini", "[Me]\nPort=1\n");
  ASSERT_EQ(chmod(dir.File("Config.ini").c_str(), 0640), 0);
  BotProcess bot(HeadlessBot(dir.Path()));
  EXPECT_TRUE(bot.AwaitDisplay("Config.ini is readable by other users: chmod 600 it", 10s));
  EXPECT_EQ(bot.CountDisplay("by other users"), 1);
}

}  // namespace
}  // namespace zelmo::testing
