#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "shell/mainunit.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/recording_port.h"
#include "support/sasl_lab.h"
#include "support/temp_dir.h"
#include "users/user_file.h"

// People known by their services account on a real server (InspIRCd with
// Atheme): the bot learns accounts from the capabilities it negotiated and
// logs their users in without a password.

namespace zelmo::testing {
namespace {

class AccountLogin : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SaslLab::Available()) GTEST_SKIP() << "inspircd or atheme-services is not installed";
    lab = std::make_unique<SaslLab>();
    lab->RegisterAccount("alice", "alice-pw");
    dir.Write("Users.ini",
              "[Alice]\nPassword=a-pw\nRights_General=0\nRights_#lab=2\nAccount=bob_acct,Alice\n"
              "[Bob]\nPassword=bob-pw\nRights_General=0\nRights_#lab=1\n");
    dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(lab->Port()) +
                                "\nNick=ZelmoLab\n[Users]\nAccountLogin=1\n");
    form = std::make_unique<TMainForm>(port, dir.Path());
    form->UserInputEntered("connect");
    ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.ConnectionState() == stConnected; }, 10000));
    form->IRC.Join("#lab", "");
    ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.Channels.Find("#lab") != nullptr; }, 10000));
  }
  void TearDown() override {
    form.reset();
    lab.reset();
  }
  bool Shown(const std::string& start) {
    return port.PumpUntil(
        [&] {
          const auto texts = port.Texts();
          return std::any_of(texts.begin(), texts.end(),
                             [&](const std::string& text) { return text.starts_with(start); });
        },
        10000);
  }
  bool Heard(IrcTestClient& client, const std::string& text) {
    return port.PumpUntil([&] { return client.WaitFor(text, 20).has_value(); }, 10000);
  }

  std::unique_ptr<SaslLab> lab;
  TempDir dir;
  RecordingPort port;
  std::unique_ptr<TMainForm> form;
};

// The account comes with the join itself: the op needs no login and no
// second look.
TEST_F(AccountLogin, AnIdentifiedUserIsOppedOnFirstJoinAndLoggedOutWithTheServices) {
  IrcTestClient alice(SaslLab::Host(), lab->Port(), "alice");
  alice.Send("PRIVMSG NickServ :IDENTIFY alice alice-pw");
  ASSERT_TRUE(alice.WaitFor("now logged in"));
  IrcTestClient bob(SaslLab::Host(), lab->Port(), "bob");
  bob.Send("PRIVMSG ZelmoLab :login;Bob;bob-pw");
  ASSERT_TRUE(Heard(bob, "Login: Logged on"));

  alice.JoinChannel("#lab");
  EXPECT_TRUE(Heard(alice, "MODE #lab +o"));
  EXPECT_TRUE(Shown("Login: Alice by account alice from "));

  // A host change moves the login by account to the new address.
  bob.Send("OPER lab lab-pw");
  ASSERT_TRUE(bob.WaitFor(" 381 "));
  bob.Send("CHGHOST alice moved.lab");
  EXPECT_TRUE(Shown("Login: Alice by account alice from alice@moved.lab"));
  EXPECT_EQ(UserFile(dir.File("Users.ini")).UserAt("alice@moved.lab"), "Alice");

  alice.Send("PRIVMSG NickServ :LOGOUT");
  EXPECT_TRUE(alice.WaitFor("logged out"));
  EXPECT_TRUE(Shown("Logout: Alice by account alice from "))
      << ::testing::PrintToString(port.Texts());
  const UserFile users(dir.File("Users.ini"));
  EXPECT_EQ(users.Read("Alice", kLoginaccountKey), kAbsent);
  EXPECT_EQ(users.UserAt(users.Read("Alice", kHostmaskKey)), kAbsent);
  // The password login of another user stands.
  EXPECT_EQ(users.UserAt(users.Read("Bob", kHostmaskKey)), "Bob");
}

// The bot's lines as it sends them.
class SendingForm : public TMainForm {
 public:
  using TMainForm::TMainForm;
  void OnSend(const std::string& line) override {
    sent.push_back(line);
    TMainForm::OnSend(line);
  }
  std::vector<std::string> sent;
};

// A server that offers none of the account capabilities (ngircd): without
// the keys the bot sends no CAP at all; with them it registers and works as
// ever, password logins and their op included.
TEST(AccountLoginWithoutCapabilities, TheBotRegistersAndOpsAsEver) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer server;
  // Each run with nicks of its own: the last run's may linger a moment.
  for (const std::string keys : {"", "[Users]\nAccountLogin=1\n"}) {
    const std::string bot = keys.empty() ? "ZelmoOne" : "ZelmoTwo";
    const std::string nick = keys.empty() ? "alice" : "alicia";
    TempDir dir;
    RecordingPort port;
    dir.Write(
        "Users.ini",
        "[Alice]\nPassword=a-pw\nRights_General=0\nRights_#labalice=2\nRights_#labalicia=2\n");
    dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(server.Port()) +
                                "\nNick=" + bot + "\n" + keys);
    SendingForm form(port, dir.Path());
    form.UserInputEntered("connect");
    ASSERT_TRUE(port.PumpUntil([&] { return form.IRC.ConnectionState() == stConnected; }, 10000));
    ASSERT_FALSE(form.sent.empty());
    EXPECT_EQ(form.sent.front(), keys.empty() ? "NICK " + bot : "CAP LS 302") << keys;
    const std::string channel = "#lab" + nick;
    form.IRC.Join(channel, "");
    ASSERT_TRUE(port.PumpUntil([&] { return form.IRC.Channels.Find(channel) != nullptr; }, 10000));
    IrcTestClient person(NgircdServer::Host(), server.Port(), nick);
    person.Send("PRIVMSG " + bot + " :login;Alice;a-pw");
    ASSERT_TRUE(
        port.PumpUntil([&] { return person.WaitFor("Login: Logged on", 20).has_value(); }, 10000))
        << keys;
    person.JoinChannel(channel);
    EXPECT_TRUE(port.PumpUntil(
        [&] { return person.WaitFor("MODE " + channel + " +o", 20).has_value(); }, 10000))
        << keys;
  }
}

}  // namespace
}  // namespace zelmo::testing
