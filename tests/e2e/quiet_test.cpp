#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "shell/mainunit.h"
#include "support/irc_test_client.h"
#include "support/recording_port.h"
#include "support/sasl_lab.h"
#include "support/temp_dir.h"

// The defences that take the server's own modes, on InspIRCd: a quiet as
// its extended ban "m:", and its join throttle "+j" as the join flood lock.

namespace zelmo::testing {
namespace {

class ServerModes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SaslLab::Available()) GTEST_SKIP() << "inspircd or atheme-services is not installed";
    lab = std::make_unique<SaslLab>();
    dir.Write("Users.ini", "[Olli]\nPassword=olli-pw\nRights_General=0\nRights_#lab=2\n");
    dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(lab->Port()) +
                                "\nNick=ZelmoLab\nSendInterval=0\n[Channel #lab]\nJoinFlood=2\n"
                                "AutoVoice=0\n"
                                "JoinSeconds=10\n");
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
  bool Heard(IrcTestClient& client, const std::string& text) {
    return port.PumpUntil([&] { return client.WaitFor(text, 20).has_value(); }, 10000);
  }

  std::unique_ptr<SaslLab> lab;
  TempDir dir;
  RecordingPort port;
  std::unique_ptr<TMainForm> form;
};

TEST_F(ServerModes, AQuietMutesUntilLiftedAndAJoinFloodThrottlesJoins) {
  IrcTestClient olli(SaslLab::Host(), lab->Port(), "olli");
  IrcTestClient bob(SaslLab::Host(), lab->Port(), "bob");
  olli.Send("PRIVMSG ZelmoLab :login;Olli;olli-pw");
  ASSERT_TRUE(Heard(olli, "Login: Logged on"));
  olli.JoinChannel("#lab");
  bob.JoinChannel("#lab");
  olli.Send("PRIVMSG #lab :!quiet bob!*@* 10m");
  // InspIRCd sends the mask as the trailing parameter.
  ASSERT_TRUE(Heard(bob, "MODE #lab +b :m:bob!*@*"));
  ASSERT_TRUE(Heard(olli, "Quiet: bob!*@* set on #lab for 10m (Quieted by olli)"));
  bob.Send("PRIVMSG #lab :can anyone hear me");
  olli.Send("PRIVMSG #lab :!unquiet 1");
  ASSERT_TRUE(Heard(bob, "MODE #lab -b :m:bob!*@*"));
  bob.Send("PRIVMSG #lab :and now");
  // The first of bob's lines that reaches the channel is the one after the quiet.
  const auto heard = olli.WaitFor([](const std::string& line) {
    return line.starts_with(":bob!") && line.find(" PRIVMSG #lab :") != std::string::npos;
  });
  ASSERT_TRUE(heard.has_value());
  EXPECT_TRUE(heard->ends_with(":and now")) << *heard;

  // The third join within JoinSeconds: the server's throttle, not +i.
  IrcTestClient carol(SaslLab::Host(), lab->Port(), "carol");
  carol.JoinChannel("#lab");
  ASSERT_TRUE(Heard(bob, "MODE #lab +j :2:10"));
  EXPECT_TRUE(port.PumpUntil(
      [&] {
        const auto texts = port.Texts();
        return std::find(texts.begin(), texts.end(),
                         "-> #lab: locked (+j 2:10) for 5m (join flood)") != texts.end();
      },
      1000));
}

}  // namespace
}  // namespace zelmo::testing
