#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "irc/protocol/capabilities.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/protocol/sasl_exchange.h"

namespace zelmo {
namespace {

using Lines = std::vector<std::string>;

// A CAP line's content as the client's decoder reads it.
CapReply CapLine(std::string_view content) {
  return ParseCapReply(content).value_or(CapReply{});
}

TEST(CapabilityLines, MultiLineListsValuesAndOddSpacing) {
  auto first = ParseCapReply("* LS * :multi-prefix  sasl=PLAIN,EXTERNAL ");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->subcommand, "LS");
  EXPECT_TRUE(first->more);
  EXPECT_EQ(first->tokens, (Lines{"multi-prefix", "sasl=PLAIN,EXTERNAL"}));
  EXPECT_EQ(CapabilityValue(first->tokens, "sasl"), "PLAIN,EXTERNAL");
  EXPECT_EQ(CapabilityValue(first->tokens, "multi-prefix"), "");
  EXPECT_FALSE(CapabilityValue(first->tokens, "sas"));

  // A last line's list without a colon is one word; "*" alone is no list.
  auto last = ParseCapReply("nick LS sasl");
  ASSERT_TRUE(last);
  EXPECT_FALSE(last->more);
  EXPECT_EQ(last->tokens, Lines{"sasl"});
  auto star = ParseCapReply("nick ACK *");
  ASSERT_TRUE(star);
  EXPECT_FALSE(star->more);
  EXPECT_FALSE(ParseCapReply("nick"));

  EXPECT_TRUE(CapabilityAcknowledged({"~sasl"}, "sasl"));
  EXPECT_FALSE(CapabilityAcknowledged({"-sasl"}, "sasl"));
  EXPECT_EQ(ParseAuthenticate(":+"), "+");
  EXPECT_EQ(ParseAuthenticate("+"), "+");
  EXPECT_FALSE(ParseAuthenticate(""));
}

TEST(CapabilityLines, ResponsesAreCutInto400ByteChunks) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode(std::string("\xff\x00\x80", 3)), "/wCA");
  EXPECT_EQ(AuthenticateLines(""), Lines{"AUTHENTICATE +"});
  // 300 bytes make exactly 400 base64 bytes: a "+" says nothing follows.
  const Lines exact = AuthenticateLines(std::string(300, 'a'));
  ASSERT_EQ(exact.size(), 2u);
  EXPECT_EQ(exact[0].size(), 13u + 400u);
  EXPECT_EQ(exact[1], "AUTHENTICATE +");
  const Lines longer = AuthenticateLines(std::string(301, 'a'));
  ASSERT_EQ(longer.size(), 2u);
  EXPECT_EQ(longer[1], "AUTHENTICATE YQ==");
}

TEST(SaslExchange, RefusalsAndServersWithoutSasl) {
  SaslExchange nak("PLAIN", "u", "p");
  EXPECT_EQ(nak.OnCap(CapLine("* LS :sasl")).send, Lines{"CAP REQ :sasl"});
  EXPECT_EQ(nak.OnCap(CapLine("* NAK :sasl")).failure, kSaslNotOffered);
  EXPECT_FALSE(nak.Negotiating());
  EXPECT_FALSE(nak.OnNumeric(904, "").failure) << "a second failure after the end";

  SaslExchange other_mechanism("EXTERNAL", "", "");
  EXPECT_EQ(other_mechanism.OnCap(CapLine("* LS :sasl=PLAIN")).failure,
            std::string(kSaslNotOffered) + " EXTERNAL");

  SaslExchange unknown("PLAIN", "u", "p");
  EXPECT_EQ(unknown.OnNumeric(421, "CAP").failure, kSaslNotOffered);

  for (int number : {902, 904, 905, 906, 908}) {
    SaslExchange refused("PLAIN", "u", "p");
    refused.OnCap(CapLine("* LS :sasl"));
    EXPECT_EQ(refused.OnCap(CapLine("* ACK :sasl")).send, Lines{"AUTHENTICATE PLAIN"});
    EXPECT_EQ(refused.OnAuthenticate("+").send.size(), 1u);
    EXPECT_TRUE(refused.OnAuthenticate("+").send.empty()) << "answered twice";
    EXPECT_FALSE(refused.OnNumeric(900, "").failure);
    EXPECT_EQ(refused.OnNumeric(number, "").failure, kSaslFailed) << number;
  }
}

// A list without end: past its bound the bot stops collecting and ends the
// negotiation, also when "sasl" was among the tokens already listed.
TEST(SaslExchange, ACapabilityListPastItsBoundEndsNegotiation) {
  SaslExchange endless("PLAIN", "u", "p");
  const std::string line = "* LS * :sasl " + std::string(1000, 'x');
  std::size_t lines = 0;
  SaslExchange::Step step;
  while (!step.failure && lines < 1000) {
    step = endless.OnCap(CapLine(line));
    ++lines;
  }
  EXPECT_EQ(lines, kMaxCapabilityListBytes / 1006 + 1);
  EXPECT_EQ(step.failure, kSaslListTooLong);
  EXPECT_EQ(step.send, Lines{"CAP END"});
  EXPECT_FALSE(endless.Negotiating());
  EXPECT_TRUE(endless.OnCap(CapLine(line)).send.empty());
}

}  // namespace
}  // namespace zelmo
