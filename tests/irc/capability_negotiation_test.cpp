#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/capability_negotiation.h"
#include "irc/protocol/sasl_exchange.h"

namespace zelmo {
namespace {

using Lines = std::vector<std::string>;

// One CAP line from the server and what the bot answers to it.
struct Exchange {
  std::string_view content;
  Lines send;
  bool sasl_ready = false;
};

void Exchanges(CapabilityNegotiation& negotiation, const std::vector<Exchange>& exchanges) {
  for (const Exchange& e : exchanges) {
    const CapabilityNegotiation::Step step =
        negotiation.OnCap(ParseCapReply(e.content).value_or(CapReply{}));
    EXPECT_EQ(step.send, e.send) << e.content;
    EXPECT_EQ(step.sasl_ready, e.sasl_ready) << e.content;
    EXPECT_FALSE(step.failure) << e.content;
  }
}

TEST(CapabilityNegotiation, RequestsWhatIsOfferedOfWhatItWantsAndEnds) {
  CapabilityNegotiation negotiation(false);
  EXPECT_EQ(CapabilityNegotiation::Opening(), "CAP LS 302");
  Exchanges(negotiation, {{"* LS * :multi-prefix sasl=PLAIN server-time", {}},
                          {"* LS :account-notify extended-join=x chghost draft/foo",
                           {"CAP REQ :account-notify "
                            "extended-join chghost "
                            "multi-prefix"}},
                          // Only what was asked for counts, whatever the ACK lists.
                          {"Bot ACK :account-notify extended-join chghost multi-prefix account-tag",
                           {"CAP END"}}});
  EXPECT_FALSE(negotiation.Negotiating());
  for (std::string_view on : {"account-notify", "extended-join", "chghost", "multi-prefix"}) {
    EXPECT_TRUE(negotiation.Enabled(on)) << on;
  }
  for (std::string_view off : {"account-tag", "sasl", "server-time", "away-notify"}) {
    EXPECT_FALSE(negotiation.Enabled(off)) << off;
  }
}

TEST(CapabilityNegotiation, EndsAtOnceOrAfterARefusal) {
  CapabilityNegotiation nothing_wanted(false);
  Exchanges(nothing_wanted, {{"* LS :sasl server-time", {"CAP END"}}});
  EXPECT_FALSE(nothing_wanted.Negotiating());

  CapabilityNegotiation refused(false);
  Exchanges(refused, {{"* LS :chghost", {"CAP REQ :chghost"}},
                      {"Bot NAK :chghost", {"CAP END"}},
                      {"Bot ACK :chghost", {}}});
  EXPECT_FALSE(refused.Enabled("chghost"));
}

TEST(CapabilityNegotiation, SaslIsRequestedOnlyForALoginAndTakesOverTheEnd) {
  CapabilityNegotiation login(true);
  Exchanges(login, {{"* LS :sasl=PLAIN,EXTERNAL account-tag", {"CAP REQ :account-tag sasl"}},
                    {"Bot ACK :account-tag sasl", {}, true}});
  EXPECT_TRUE(login.Enabled("sasl"));
  EXPECT_TRUE(login.Enabled("account-tag"));
  ASSERT_TRUE(login.SaslOffer());

  // The login goes on from the acknowledgement, with the mechanisms listed.
  SaslExchange plain("plain", "u", "p");
  EXPECT_EQ(plain.BeginAuthenticating(*login.SaslOffer()).send, Lines{"AUTHENTICATE PLAIN"});
  EXPECT_TRUE(plain.OnCap(*ParseCapReply("Bot ACK :sasl")).send.empty());
  EXPECT_EQ(plain.OnAuthenticate("+").send, Lines{"AUTHENTICATE dQB1AHA="});
  EXPECT_EQ(plain.OnNumeric(903, "").send, Lines{"CAP END"});
  SaslExchange other("EXTERNAL", "", "");
  EXPECT_EQ(other.BeginAuthenticating("PLAIN").failure, std::string(kSaslNotOffered) + " EXTERNAL");
  EXPECT_FALSE(other.Negotiating());

  // Without "sasl" on offer the login fails when negotiation ends.
  CapabilityNegotiation none_offered(true);
  auto step = none_offered.OnCap(*ParseCapReply("* LS :server-time"));
  EXPECT_EQ(step.send, Lines{"CAP END"});
  EXPECT_EQ(step.failure, std::string(kSaslNotOffered));
  CapabilityNegotiation refused(true);
  refused.OnCap(*ParseCapReply("* LS :chghost sasl"));
  step = refused.OnCap(*ParseCapReply("Bot ACK :chghost -sasl"));
  EXPECT_EQ(step.send, Lines{"CAP END"});
  EXPECT_EQ(step.failure, std::string(kSaslNotOffered));
}

TEST(CapabilityNegotiation, FollowsNewAndDelAfterRegistration) {
  CapabilityNegotiation negotiation(false);
  Exchanges(negotiation,
            {{"* LS :cap-notify multi-prefix", {"CAP REQ :multi-prefix cap-notify"}},
             {"Bot ACK :multi-prefix cap-notify", {"CAP END"}},
             {"Bot NEW :account-tag sasl multi-prefix unknown", {"CAP REQ :account-tag"}},
             // Asked already: a repeated NEW asks no more.
             {"Bot NEW :account-tag", {}},
             {"Bot ACK :account-tag", {}},
             {"Bot DEL :multi-prefix", {}},
             {"Bot ACK :-account-tag", {}}});
  EXPECT_FALSE(negotiation.Enabled("multi-prefix"));
  EXPECT_FALSE(negotiation.Enabled("account-tag"));
  EXPECT_FALSE(negotiation.Enabled("sasl"));
  EXPECT_TRUE(negotiation.Enabled("cap-notify"));
  // Offered again after DEL, it is asked for again.
  Exchanges(negotiation, {{"Bot NEW :multi-prefix", {"CAP REQ :multi-prefix"}}});
}

TEST(CapabilityNegotiation, AnEndlessListEndsNegotiation) {
  CapabilityNegotiation negotiation(false);
  const std::string line = "* LS * :" + std::string(1000, 'x') + " chghost";
  CapabilityNegotiation::Step step;
  for (int i = 0; i < 70 && negotiation.Negotiating(); ++i) {
    step = negotiation.OnCap(*ParseCapReply(line));
  }
  EXPECT_FALSE(negotiation.Negotiating());
  EXPECT_EQ(step.send, Lines{"CAP END"});
  EXPECT_EQ(step.failure, std::string(kCapabilityListTooLong));
  EXPECT_FALSE(negotiation.Enabled("chghost"));
}

}  // namespace
}  // namespace zelmo
