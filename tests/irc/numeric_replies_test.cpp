#include "irc/protocol/numeric_replies.h"

#include <gtest/gtest.h>

#include <string>

#include "irc/protocol/irc_line.h"

namespace zelmo {
namespace {

DecodedReply Decode(std::string_view wire) {
  ParsedLine line;
  SplitLine(wire, line);
  return DecodeNumeric(ReplyNumber(line.CommandText).value_or(-1), line);
}

template <typename Reply>
Reply As(std::string_view wire) {
  DecodedReply reply = Decode(wire);
  EXPECT_TRUE(std::holds_alternative<Reply>(reply)) << wire;
  return std::holds_alternative<Reply>(reply) ? std::get<Reply>(reply) : Reply{};
}

TEST(DecodeNumeric, RepliesThatChangeStateReadTheirOwnSlots) {
  const NamesReply names = As<NamesReply>(":irc.example 353 ZelmoBot = #chan :@alice +bob carol");
  EXPECT_EQ(names.channel, "#chan");
  EXPECT_EQ(names.names, "@alice +bob carol");

  const AwayReply away = As<AwayReply>(":irc.example 301 ZelmoBot alice :Gone for lunch");
  EXPECT_EQ(away.nick, "alice");
  EXPECT_EQ(away.text, "Gone for lunch");

  EXPECT_TRUE(As<OwnAwayReply>(":irc.example 306 ZelmoBot :Marked away").away);
  EXPECT_FALSE(As<OwnAwayReply>(":irc.example 305 ZelmoBot :Back").away);

  const WelcomeReply welcome = As<WelcomeReply>(":irc.example 004 ZelmoBot irc.example 1.0");
  EXPECT_EQ(welcome.server, "irc.example");
  EXPECT_EQ(welcome.text, "ZelmoBot irc.example 1.0");
}

TEST(DecodeNumeric, AChannelModesReplyCarriesItsTextAndItsChanges) {
  const ChannelModesReply modes =
      As<ChannelModesReply>(":irc.example 324 ZelmoBot #chan +kl secret 10");
  EXPECT_EQ(modes.channel, "#chan");
  EXPECT_EQ(modes.modes, "+kl secret 10");
  ASSERT_EQ(modes.changes.size(), 2u);
  EXPECT_EQ(modes.changes[0].argument, "secret");
  EXPECT_EQ(modes.changes[1].limit, 10);
}

TEST(DecodeNumeric, ALinkCutsItsLastParameterAtTheFirstBlankOnly) {
  const LinksReply link = As<LinksReply>(":irc.example 364 ZelmoBot * hub.example :1 The  hub");
  EXPECT_EQ(link.mask, "*");
  EXPECT_EQ(link.server, "hub.example");
  EXPECT_EQ(link.hops, "1");
  EXPECT_EQ(link.server_info, "The  hub");
  const LinksReply bare = As<LinksReply>(":irc.example 364 ZelmoBot * hub.example 0");
  EXPECT_EQ(bare.hops, "0");
  EXPECT_EQ(bare.server_info, "");
}

TEST(DecodeNumeric, OnlyTheNickErrorsRefuseTheNick) {
  EXPECT_TRUE(
      As<ErrorReply>(":irc.example 433 * ZelmoBot :Nickname is already in use").nick_refused);
  EXPECT_TRUE(As<ErrorReply>(":irc.example 431 * :No nickname given").nick_refused);
  EXPECT_FALSE(As<ErrorReply>(":irc.example 434 * x :Erroneous").nick_refused);
  EXPECT_EQ(As<ErrorReply>(":irc.example 401 ZelmoBot bob :No such nick").text,
            "ZelmoBot bob :No such nick");
}

TEST(DecodeNumeric, ShownRepliesGetTheirWordAndText) {
  const ShownReply whois = As<ShownReply>(":irc.example 311 ZelmoBot alice al host.example * :A L");
  EXPECT_EQ(whois.word, "WHOIS");
  EXPECT_EQ(whois.text, "alice is al@host.example * A L");
  // TIME shows the server's name once: slot 4 stands in for slot 3 when they match.
  EXPECT_EQ(As<ShownReply>(":irc.example 391 ZelmoBot IRC.EXAMPLE :noon").text,
            "irc.example :noon");
  EXPECT_EQ(As<ShownReply>(":irc.example 391 ZelmoBot other :noon").text, "irc.example :other");
  EXPECT_EQ(As<ShownReply>(":irc.example 329 ZelmoBot #chan 1700000000").word, "329");
}

TEST(DecodeNumeric, FeaturesAndUnlistedNumbersKeepTheWholeContent) {
  EXPECT_EQ(As<FeaturesReply>(":irc.example 005 ZelmoBot NICKLEN=30 :are supported").text,
            "ZelmoBot NICKLEN=30 :are supported");
  EXPECT_EQ(As<OtherReply>(":irc.example 207 ZelmoBot x").text, "ZelmoBot x");
  EXPECT_EQ(As<OtherReply>(":irc.example 000 ZelmoBot x").text, "ZelmoBot x");
}

}  // namespace
}  // namespace zelmo
