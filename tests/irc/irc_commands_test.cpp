#include "irc/protocol/irc_commands.h"

#include <gtest/gtest.h>

#include <string>

namespace zelmo {
namespace {

using namespace std::string_literals;

TEST(OutgoingLines, MessagesAndCtcpReplies) {
  EXPECT_EQ(outgoing::Say("bob", "Login: Logged on"), "PRIVMSG bob :Login: Logged on");
  EXPECT_EQ(outgoing::Say("#room", ""), "PRIVMSG #room :");
  EXPECT_EQ(outgoing::Notice("bob", "hi there"), "NOTICE bob :hi there");
  EXPECT_EQ(outgoing::CTCPReply("bob", "VERSION", "ZelmoBot v0.5"),
            "NOTICE bob :\001VERSION ZelmoBot v0.5\001");
  EXPECT_EQ(outgoing::CTCPReply("bob", "FINGER", ""), "NOTICE bob :\001FINGER \001");
}

TEST(OutgoingLines, ChannelCommands) {
  EXPECT_EQ(outgoing::Join("#room", ""), "JOIN #room");
  EXPECT_EQ(outgoing::Join("#room", "secret"), "JOIN #room secret");
  EXPECT_EQ(outgoing::Part("#room", ""), "PART #room");
  EXPECT_EQ(outgoing::Part("#room", "bye all"), "PART #room :bye all");
  EXPECT_EQ(outgoing::Kick("#room", "bob", "No colors!"), "KICK #room bob :No colors!");
  EXPECT_EQ(outgoing::Kick("#room", "bob", ""), "KICK #room bob :");
}

TEST(OutgoingLines, ModeForms) {
  EXPECT_EQ(outgoing::Mode("#room", "+v", "bob"), "MODE #room +v bob");
  EXPECT_EQ(outgoing::Mode("#room", "+o bob", ""), "MODE #room +o bob");
  EXPECT_EQ(outgoing::Mode("#room", "", ""), "MODE #room ");
}

TEST(OutgoingLines, SessionCommands) {
  EXPECT_EQ(outgoing::Quit("gone"), "QUIT :gone");
  EXPECT_EQ(outgoing::Quit(""), "QUIT :");
  EXPECT_EQ(outgoing::Nick("ZelmoBot-"), "NICK ZelmoBot-");
  EXPECT_EQ(outgoing::Pass("pw"), "PASS pw");
  EXPECT_EQ(outgoing::User("ZelmoBot", "10.0.0.2", "irc.example.net", "Zelmo Bot"),
            "USER ZelmoBot 10.0.0.2 irc.example.net :Zelmo Bot");
  EXPECT_EQ(outgoing::Pong("irc.example.net"), "PONG :irc.example.net");
  EXPECT_EQ(outgoing::Pong(""), "PONG :");
}

TEST(SanitizeOutgoingLine, InjectedCommandStaysOnOneLine) {
  std::string line = SanitizeOutgoingLine(outgoing::Say("#room", "hi\r\nQUIT :x"));
  EXPECT_EQ(line, "PRIVMSG #room :hi  QUIT :x");
  EXPECT_EQ(line.find_first_of("\r\n\0"s), std::string::npos);
}

TEST(SanitizeOutgoingLine, EveryBreakingByteBecomesABlank) {
  EXPECT_EQ(SanitizeOutgoingLine("a\rb\nc\0d"s), "a b c d");
  EXPECT_EQ(SanitizeOutgoingLine("\n\n"), "  ");
  EXPECT_EQ(SanitizeOutgoingLine(""), "");
}

TEST(SanitizeOutgoingLine, OrdinaryLinesPassUnchanged) {
  for (const std::string& line :
       {outgoing::CTCPReply("bob", "PING", "123"),
        "PRIVMSG #r :\x03"
        "4colour \x02bold"s,
        "PRIVMSG #r :p\xc3\xa4iv\xc3\xa4\xc3\xa4"s, outgoing::Mode("#r", "", "")}) {
    EXPECT_EQ(SanitizeOutgoingLine(line), line);
  }
}

}  // namespace
}  // namespace zelmo
