#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/mainunit.h"
#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/recording_port.h"
#include "support/sasl_lab.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

// The bot logging in to a services account on a real server (InspIRCd with
// Atheme) while it registers.

namespace zelmo::testing {
namespace {

// The bot's main form, counting its links and noting every command word the
// server sends it.
class WatchedForm : public TMainForm {
 public:
  using TMainForm::TMainForm;
  void OnConnected() override {
    ++connects;
    TMainForm::OnConnected();
  }
  void OnRaw(TIdIRCUser*, const std::string& command, const std::string&, bool&) override {
    commands.push_back(command);
  }

  std::vector<std::string> commands;
  int connects = 0;
};

class SaslAccount : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SaslLab::Available()) GTEST_SKIP() << "inspircd or atheme-services is not installed";
    // The server takes TLS clients too, with a certificate from the test's CA.
    if (TestCertificates::Available()) {
      certificates = std::make_unique<TestCertificates>();
      server_files = certificates->Issue("lab", "DNS:irc.lab.test,IP:127.0.0.1");
    }
    lab = std::make_unique<SaslLab>(server_files.cert, server_files.key);
    lab->RegisterAccount("zbacct", "right-pw");
  }
  void StartBot(const std::string& password) {
    StartBotWith(lab->Port(), "SASLUser=zbacct\nSASLPassword=" + password + "\n");
  }
  void StartBotWith(int server_port, const std::string& keys) {
    dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(server_port) +
                                "\nNick=ZelmoLab\n" + keys);
    form = std::make_unique<WatchedForm>(port, dir.Path());
    form->UserInputEntered("connect");
  }
  bool Saw(const std::string& command) const {
    return std::find(form->commands.begin(), form->commands.end(), command) != form->commands.end();
  }
  void TearDown() override {
    form.reset();
    lab.reset();
  }

  std::unique_ptr<TestCertificates> certificates;
  CertificateFiles server_files;
  std::unique_ptr<SaslLab> lab;
  TempDir dir;
  RecordingPort port;
  std::unique_ptr<WatchedForm> form;
};

TEST_F(SaslAccount, TheRightPasswordLogsInAndTheBotWorks) {
  StartBot("right-pw");
  ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.ConnectionState() == stConnected; }, 10000));
  EXPECT_TRUE(Saw("903"));
  EXPECT_TRUE(Saw("900"));
  form->IRC.Join("#lab", "");
  ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.Channels.Find("#lab") != nullptr; }, 10000));
  IrcTestClient client(SaslLab::Host(), lab->Port(), "labuser");
  client.Send("PRIVMSG ZelmoLab :\001VERSION\001");
  bool answered = port.PumpUntil(
      [&] { return client.WaitFor("NOTICE labuser :\001VERSION ZelmoBot", 20).has_value(); },
      10000);
  EXPECT_TRUE(answered);
  // The services know the bot by its account.
  client.Send("WHOIS ZelmoLab");
  EXPECT_TRUE(port.PumpUntil([&] { return client.WaitFor(" 330 ", 20).has_value(); }, 10000));
}

// SASL EXTERNAL over TLS: the account knows the fingerprint of the bot's
// client certificate, and the bot logs in with that alone.
TEST_F(SaslAccount, AClientCertificateLogsInWithExternalOverTls) {
  if (!certificates) GTEST_SKIP() << "openssl is not installed";
  CertificateFiles client = certificates->Issue("zelmolab", "DNS:zelmolab.lab.test");
  std::string fingerprint = certificates->Fingerprint(client.cert);
  std::erase(fingerprint, ':');
  std::transform(fingerprint.begin(), fingerprint.end(), fingerprint.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  lab->AddCertificate("zbacct", "right-pw", fingerprint);
  StartBotWith(lab->TlsPort(), "TLS=1\nTLSCAFile=" + certificates->CaFile() + "\nTLSCertFile=" +
                                   client.combined + "\nSASLMechanism=EXTERNAL\n");
  ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.ConnectionState() == stConnected; }, 15000))
      << ::testing::PrintToString(port.Texts());
  EXPECT_TRUE(Saw("900"));
  EXPECT_TRUE(Saw("903"));
  form->IRC.Join("#lab", "");
  ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.Channels.Find("#lab") != nullptr; }, 10000));
  IrcTestClient watcher(SaslLab::Host(), lab->Port(), "labuser");
  watcher.Send("WHOIS ZelmoLab");
  std::optional<std::string> account;
  EXPECT_TRUE(
      port.PumpUntil([&] { return (account = watcher.WaitFor(" 330 ", 20)).has_value(); }, 10000));
  if (account) {
    EXPECT_NE(account->find(" zbacct "), std::string::npos) << *account;
  }
}

TEST_F(SaslAccount, AWrongPasswordDisconnectsWithoutReconnecting) {
  StartBot("wrong-pw");
  ASSERT_TRUE(port.PumpUntil(
      [&] {
        for (const auto& text : port.Texts()) {
          if (text == "SASL authentication failed") return true;
        }
        return false;
      },
      10000));
  EXPECT_TRUE(port.PumpUntil([&] { return form->IRC.ConnectionState() == stDisconnected; }));
  // Longer than the automatic reconnection takes to start.
  port.PumpUntil([] { return false; }, 3000);
  EXPECT_EQ(form->connects, 1);
  EXPECT_NE(form->IRC.ConnectionState(), stConnected);
  for (const auto& text : port.Texts()) EXPECT_EQ(text.find("wrong-pw"), std::string::npos);
}

}  // namespace
}  // namespace zelmo::testing
