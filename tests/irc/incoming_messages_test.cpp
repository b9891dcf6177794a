#include "irc/protocol/incoming_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace zelmo {
namespace {

using namespace incoming;
using Texts = std::vector<std::string>;

IncomingMessage Decode(std::string_view wire) {
  ParsedLine line;
  SplitLine(wire, line);
  return DecodeMessage(line);
}

template <typename Message>
Message As(std::string_view wire) {
  const IncomingMessage message = Decode(wire);
  EXPECT_TRUE(std::holds_alternative<Message>(message)) << wire;
  return std::holds_alternative<Message>(message) ? std::get<Message>(message) : Message{};
}

TEST(DecodeMessage, CommandsNameTheirParameters) {
  const Privmsg said = As<Privmsg>(":alice!a@h PRIVMSG #room :hello there");
  EXPECT_EQ(said.target + "|" + said.text, "#room|hello there");
  const Kick kick = As<Kick>(":op!o@h KICK #room alice :behave");
  EXPECT_EQ(kick.channel + "|" + kick.victim + "|" + kick.reason, "#room|alice|behave");
  const Part part = As<Part>(":alice!a@h PART #room");
  EXPECT_EQ(part.channel + "|" + part.reason, "#room|");
  EXPECT_EQ(As<Join>(":alice!a@h JOIN :#room").channel, "#room");
  EXPECT_EQ(As<Nick>(":alice!a@h NICK alicia").new_nick, "alicia");
  EXPECT_EQ(As<Quit>(":alice!a@h QUIT :gone home").reason, "gone home");
  EXPECT_EQ(As<Topic>(":alice!a@h TOPIC #room :new").topic, "new");
  EXPECT_EQ(As<Invite>(":alice!a@h INVITE ZelmoBot #room").channel, "#room");
  EXPECT_EQ(As<Kill>(":oper!o@h KILL alice :flood").reason, "flood");
  EXPECT_EQ(As<Ping>("PING :").token, "");
  EXPECT_EQ(As<Wallops>(":irc.example WALLOPS :down soon").text, "down soon");
  EXPECT_EQ(As<ServerError>("ERROR :Closing Link: x").text, "Closing Link: x");
  // Command words match case-sensitively; a lone word has none at all.
  EXPECT_TRUE(std::holds_alternative<Unknown>(Decode(":alice!a@h privmsg #room :hi")));
  EXPECT_TRUE(std::holds_alternative<Unknown>(Decode("PING")));
  EXPECT_FALSE(ReplyNumberOf(Decode("PING :x")));
}

// CTCP is read where its message is; a server's own query has nobody to
// answer and stays a message, while any CTCP notice is a reply.
TEST(DecodeMessage, CtcpAndModesAreReadFromTheirText) {
  const CtcpQuery query = As<CtcpQuery>(":alice!a@h PRIVMSG ZelmoBot :\001PING 12345\001");
  EXPECT_EQ(query.target + "|" + query.command + "|" + query.arguments, "ZelmoBot|PING|12345");
  EXPECT_EQ(As<Privmsg>(":irc.example PRIVMSG ZelmoBot :\001VERSION\001").text, "\001VERSION\001");
  EXPECT_EQ(As<CtcpReply>(":irc.example NOTICE ZelmoBot :\001VERSION x\001").arguments, "x");
  const Mode modes = As<Mode>(":op!o@h MODE #room +o-v alice  bob");
  EXPECT_EQ(modes.modes, "+o-v alice bob");
  ASSERT_EQ(modes.changes.size(), 2u);
  EXPECT_EQ(modes.changes[1].argument, "");  // the empty parameter between the blanks
  const UserMode own = As<UserMode>(":ZelmoBot MODE ZelmoBot :+iw");
  EXPECT_EQ(own.nick + "|" + own.modes, "ZelmoBot|+iw");
}

// The account-tracking lines; the session decides whether to believe them.
TEST(DecodeMessage, AccountHostAndAwayLines) {
  const Join extended = As<Join>(":alice!a@h JOIN #room alice_acct :Alice Example");
  EXPECT_EQ(extended.channel + "|" + extended.account + "|" + extended.realname,
            "#room|alice_acct|Alice Example");
  EXPECT_EQ(As<Join>(":alice!a@h JOIN #room").account, "");
  EXPECT_EQ(As<Account>(":alice!a@h ACCOUNT alice_acct").account, "alice_acct");
  EXPECT_FALSE(As<Account>(":alice!a@h ACCOUNT :*").account);
  EXPECT_FALSE(As<Account>(":alice!a@h ACCOUNT :").account);
  const Chghost moved = As<Chghost>(":alice!a@h CHGHOST al new.host");
  EXPECT_EQ(moved.user + "@" + moved.host, "al@new.host");
  EXPECT_EQ(As<Away>(":alice!a@h AWAY :gone fishing").message, "gone fishing");
  EXPECT_FALSE(As<Away>(":alice!a@h AWAY :").message);
  // The lone word is back, but only from a person and only that word.
  EXPECT_FALSE(As<Away>(":alice!a@h AWAY").message);
  EXPECT_TRUE(std::holds_alternative<Unknown>(Decode(":irc.example AWAY")));
  EXPECT_TRUE(std::holds_alternative<Unknown>(Decode(":alice!a@h away")));
  EXPECT_TRUE(std::holds_alternative<Unknown>(Decode("AWAY")));
}

TEST(DecodeMessage, CapabilityAndLoginLinesAndNumbers) {
  const Cap listing = As<Cap>(":irc.example CAP * LS * :multi-prefix sasl");
  EXPECT_EQ(listing.reply.subcommand, "LS");
  EXPECT_TRUE(listing.reply.more);
  EXPECT_EQ(As<Cap>(":irc.example CAP nick").reply.subcommand, "");
  EXPECT_EQ(As<Authenticate>("AUTHENTICATE :+").challenge, "+");
  EXPECT_FALSE(As<Authenticate>("AUTHENTICATE ").challenge);

  EXPECT_EQ(As<WelcomeReply>(":irc.example 001 ZelmoBot :Welcome").number, 1);
  EXPECT_EQ(ReplyNumberOf(Decode(":irc.example 0433 * ZelmoBot :In use")), 433);
  const ErrorReply refused = As<ErrorReply>(":irc.example 475 ZelmoBot #keyed :Cannot join");
  EXPECT_EQ(refused.about + "|" + refused.reason, "#keyed|Cannot join");
  EXPECT_EQ(As<MonitorOnline>(":irc.example 730 ZelmoBot :alice!a@h,bob").nicks,
            (Texts{"alice", "bob"}));
  EXPECT_EQ(As<MonitorOffline>(":irc.example 731 ZelmoBot :alice,,bob!b@h").nicks,
            (Texts{"alice", "", "bob"}));
}

}  // namespace
}  // namespace zelmo
