#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
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

// Counted by host: every client here comes from 127.0.0.1, so a new
// connection under another ident is blocked as well.
TEST_F(PasswordGuard, TheSixthWrongLoginIsRefusedUntilTheBlockEnds) {
  Start("LoginBlockSeconds=3\n");
  auto guesser = Client("mallory");
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Answers(*guesser, "login;owner;guess", "Login: Wrong"));
  const auto blocked_at = std::chrono::steady_clock::now();
  EXPECT_TRUE(Answers(*guesser, "login;owner;Secret",
                      "Login: Error - Too many failed logins, try again later"));
  // Once, in the Dangerous colour.
  EXPECT_EQ(std::count_if(port.lines.begin(), port.lines.end(),
                          [](const DisplayedLine& line) {
                            return line.Text() == "Too many failed logins from 127.0.0.1" &&
                                   line.color == clOlive;
                          }),
            1);
  auto new_ident = Client("mallory2");
  EXPECT_TRUE(Answers(*new_ident, "login;owner;Secret",
                      "Login: Error - Too many failed logins, try again later"));
  std::this_thread::sleep_until(blocked_at + 3100ms);
  EXPECT_TRUE(Answers(*guesser, "login;owner;Secret", "Login: Logged on"));
}

TEST_F(PasswordGuard, HashedPasswordsAreWrittenCheckedAndUpgraded) {
  Start("HashPasswords=1\n");
  auto owner = Client("bob");
  ASSERT_TRUE(Answers(*owner, "login;owner;SECRET", "Login: Logged on"));
  EXPECT_TRUE(StoredPassword("owner").starts_with("$y$")) << StoredPassword("owner");
  ASSERT_TRUE(
      Answers(*owner, "newpass;secret;NewPw", "Newpass: Your password is now set to NewPw"));
  EXPECT_TRUE(StoredPassword("owner").starts_with("$y$"));
  EXPECT_EQ(dir.Read("Users.ini").find("NewPw"), std::string::npos) << dir.Read("Users.ini");
  EXPECT_TRUE(Answers(*owner, "userpass;owner", "Userpass: owner - (hashed)"));
  EXPECT_TRUE(Answers(*Client("carol"), "login;owner;nEWpW", "Login: Logged on"));
}

TEST(PasswordGuardAtStart, FilesOthersMayUseAreNamedAtStartAndReload) {
  TempDir dir;
  dir.Write("Config.ini", "[Me]\nPort=1\n");
  dir.Write("Users.ini", "");
  ASSERT_EQ(chmod(dir.File("Config.ini").c_str(), 0620), 0);
  ASSERT_EQ(chmod(dir.File("Users.ini").c_str(), 0644), 0);
  BotProcess bot(HeadlessBot(dir.Path()));
  bot.Command("reload");
  for (const std::string warning : {"Users.ini is readable by other users: chmod 600 it",
                                    "Config.ini is writable by other users: chmod 600 it"}) {
    EXPECT_TRUE(bot.Await(
        [&](const ProcessOutput& output) {
          const auto first = output.out.find(warning);
          return first != std::string::npos &&
                 output.out.find(warning, first + 1) != std::string::npos;
        },
        10s))
        << warning;
  }
}

}  // namespace
}  // namespace zelmo::testing
