#include <gtest/gtest.h>

#include <string>

#include "fault_fixture.h"

// The SASL login during registration, played byte for byte by a scripted
// server: the capability negotiation, the response, and the failures that
// end the link for good.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// Longer than the automatic reconnection takes to start.
constexpr auto kNoReconnection = 3s;
const std::string kSecret = "s3cret pass";

using SaslFaults = FaultTest;

// The server's lines up to the bot's AUTHENTICATE PLAIN: a two-line LS
// (the first marked with "*", the last with the trailing blank real servers
// send), then the ACK.
void NegotiateUpToMechanism(LoopbackPeer& link, const std::string& mechanism) {
  EXPECT_EQ(link.ReadLine(kIrcWait), "CAP LS 302");
  EXPECT_EQ(link.ReadLine(kIrcWait), "NICK ZelmoBot");
  auto user = link.ReadLine(kIrcWait);
  ASSERT_TRUE(user && user->starts_with("USER ")) << user.value_or("(nothing)");
  link.SendLine(":irc.fault.test CAP * LS * :multi-prefix away-notify");
  link.SendLine(":irc.fault.test CAP * LS :sasl=PLAIN,EXTERNAL account-tag ");
  EXPECT_EQ(link.ReadLine(kIrcWait), "CAP REQ :sasl");
  link.SendLine(":irc.fault.test CAP * ACK :sasl ");
  EXPECT_EQ(link.ReadLine(kIrcWait), "AUTHENTICATE " + mechanism);
  link.SendLine("AUTHENTICATE :+");
}

TEST_F(SaslFaults, PlainLoginEndsNegotiationAndRegistersWithoutShowingThePassword) {
  StartBot("SASLUser=zbot\nSASLPassword=" + kSecret + "\n");
  bot->Command("connect");
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link);
  NegotiateUpToMechanism(*link, "PLAIN");
  // base64 of "zbot\0zbot\0s3cret pass".
  EXPECT_EQ(link->ReadLine(kIrcWait), "AUTHENTICATE emJvdAB6Ym90AHMzY3JldCBwYXNz");
  link->SendLine(":irc.fault.test 900 ZelmoBot ZelmoBot!zb@h zbot :You are now logged in as zbot");
  link->SendLine(":irc.fault.test 903 ZelmoBot :SASL authentication successful");
  EXPECT_EQ(link->ReadLine(kIrcWait), "CAP END");
  link->SendLine(":irc.fault.test 001 ZelmoBot :Welcome");
  nick = "ZelmoBot";
  ASSERT_TRUE(Sync());
  JoinBot("#sasl");
  const std::string shown = bot->DisplayOutput();
  EXPECT_EQ(shown.find(kSecret), std::string::npos) << shown;
  EXPECT_EQ(shown.find("emJvdAB6Ym90"), std::string::npos) << shown;
  // Without TLS the password crossed readable, and the display said so.
  EXPECT_EQ(bot->CountDisplay("SASL PLAIN sends the password unencrypted: set TLS=1"), 1);
}

// EXTERNAL logs in with the client certificate: without one no server can
// take it, so the bot does not try.
TEST_F(SaslFaults, ExternalWithoutAClientCertificateIsRefusedBeforeConnecting) {
  StartBot("SASLMechanism=external\n");
  bot->Command("connect");
  ASSERT_TRUE(bot->Await(
      [](const ProcessOutput& output) {
        return output.err.find(
                   "ZelmoBot: [Me] SASLMechanism=EXTERNAL needs a client "
                   "certificate: set TLS=1 and TLSCertFile.") != std::string::npos;
      },
      kIrcWait))
      << bot->ErrorOutput();
  EXPECT_FALSE(server.Accept(kNoReconnection)) << "the bot connected";
}

TEST_F(SaslFaults, AWrongPasswordDisconnectsForGood) {
  StartBot("SASLUser=zbot\nSASLPassword=wrong\n");
  bot->Command("connect");
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link);
  NegotiateUpToMechanism(*link, "PLAIN");
  ASSERT_TRUE(link->AwaitLineStarting("AUTHENTICATE ", kIrcWait));
  link->SendLine(":irc.fault.test 904 ZelmoBot :SASL authentication failed");
  EXPECT_TRUE(link->WaitClosed(kIrcWait)) << "the bot kept the link";
  EXPECT_TRUE(bot->AwaitDisplay("SASL authentication failed", 5s));
  EXPECT_FALSE(server.Accept(kNoReconnection)) << "the bot reconnected";
  EXPECT_EQ(bot->DisplayOutput().find("wrong"), std::string::npos);
  // The bot closed the link, not the operator.
  EXPECT_TRUE(bot->AwaitDisplay("Disconnected from 127.0.0.1", 5s));
  EXPECT_EQ(bot->CountDisplay("by host"), 0) << bot->DisplayOutput();
}

TEST_F(SaslFaults, AServerWithoutSaslOrCapabilitiesIsLeft) {
  StartBot("SASLUser=zbot\nSASLPassword=pw\n");
  bot->Command("connect");
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link);
  ASSERT_TRUE(link->AwaitLineStarting("USER ", kIrcWait));
  link->SendLine(":irc.fault.test CAP * LS :multi-prefix");
  EXPECT_TRUE(link->WaitClosed(kIrcWait));
  EXPECT_TRUE(bot->AwaitDisplay("the server does not offer SASL", 5s));
  EXPECT_FALSE(server.Accept(kNoReconnection)) << "the bot reconnected";

  // A server that knows no CAP registers the bot at once.
  bot->Command("connect");
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link);
  ASSERT_TRUE(link->AwaitLineStarting("USER ", kIrcWait));
  link->SendLine(":irc.fault.test 001 ZelmoBot :Welcome");
  EXPECT_TRUE(link->WaitClosed(kIrcWait));
  // The line reaches the display after the link is closed, so wait for it.
  const auto shown_twice = [](const ProcessOutput& output) {
    int count = 0;
    for (const auto& text : output.DisplayTexts()) {
      if (text.find("the server does not offer SASL") != std::string::npos) ++count;
    }
    return count == 2;
  };
  EXPECT_TRUE(bot->Await(shown_twice, 5s));
  EXPECT_EQ(bot->CountDisplay("the server does not offer SASL"), 2);
}

}  // namespace
}  // namespace zelmo::testing
