#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "irc/protocol/irc_line.h"
#include "irc/protocol/whois_account.h"
#include "irc/protocol/whox.h"

namespace zelmo {
namespace {

TEST(Whox, QueryAsksTheFieldsWithTheBotsToken) {
  EXPECT_EQ(WhoxQuery("#chan"), "WHO #chan %tcnuhaf,28");
}

struct ReplyCase {
  std::string_view line;
  std::optional<std::string> nick;  // none: the line is not read
  std::optional<std::string> account;
};

TEST(Whox, RepliesAreReadOnlyWithTheBotsTokenAndAllFields) {
  const ReplyCase cases[] = {
      {":irc.x 354 Bot 28 #chan al host.x alice H@+ alice_acct", "alice", "alice_acct"},
      {":irc.x 354 Bot 28 #chan al host.x alice G 0", "alice", std::nullopt},
      // A trailing account, as some servers send the last field.
      {":irc.x 354 Bot 28 #chan al host.x alice H :acct", "alice", "acct"},
      {":irc.x 354 Bot 29 #chan al host.x alice H acct", std::nullopt, std::nullopt},
      {":irc.x 354 Bot #chan al host.x alice H acct", std::nullopt, std::nullopt},
      {":irc.x 354 Bot 28 #chan al host.x alice H", std::nullopt, std::nullopt},
      {":irc.x 354 Bot 28 #chan al host.x alice H acct :Real Name", std::nullopt, std::nullopt},
      {":irc.x 354 Bot 28 #chan al host.x alice H :", std::nullopt, std::nullopt},
      {":irc.x 354 Bot 28 #chan al host.x alice H :two words", std::nullopt, std::nullopt},
  };
  ParsedLine parsed;
  for (const ReplyCase& c : cases) {
    SplitLine(c.line, parsed);
    const std::optional<WhoxEntry> entry = ParseWhoxReply(parsed);
    ASSERT_EQ(entry.has_value(), c.nick.has_value()) << c.line;
    if (!entry) continue;
    EXPECT_EQ(entry->nick, *c.nick) << c.line;
    EXPECT_EQ(entry->account, c.account) << c.line;
  }
  SplitLine(":irc.x 354 Bot 28 #chan al host.x alice H*@+ 0", parsed);
  const std::optional<WhoxEntry> entry = ParseWhoxReply(parsed);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->channel, "#chan");
  EXPECT_EQ(entry->user, "al");
  EXPECT_EQ(entry->host, "host.x");
  EXPECT_EQ(entry->flags, "H*@+");

  SplitLine(":irc.x 352 Bot #chan al host.x irc.x alice G*@+ :0 Alice", parsed);
  const std::optional<WhoxEntry> who = ParseWhoReply(parsed);
  ASSERT_TRUE(who);
  EXPECT_EQ(who->channel + " " + who->nick + " " + who->flags, "#chan alice G*@+");
  SplitLine(":irc.x 352 Bot #chan al host.x irc.x alice", parsed);
  EXPECT_FALSE(ParseWhoReply(parsed));
}

TEST(Whox, FlagsShowOperatorAndVoicePrefixes) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"H", ""}, {"G*@+", "@+"}, {"H+", "+"}, {"H~@", "@"}, {"@", ""}, {"", ""}, {"Hr%", ""},
  };
  for (const auto& [flags, shown] : cases) {
    const WhoPrefixes prefixes = ReadWhoPrefixes(flags);
    EXPECT_EQ(std::string(prefixes.op ? "@" : "") + (prefixes.voice ? "+" : ""), shown) << flags;
  }
}

TEST(Whox, WhoisRepliesTellAddressAccountAndEnd) {
  struct Case {
    int number;
    std::string_view line;
    std::optional<std::string> part;  // kind, nick and value
  };
  const Case cases[] = {
      {311, ":irc.x 311 Bot alice al host.x * :Alice L", "0 alice al@host.x"},
      {330, ":irc.x 330 Bot alice alice_acct :is logged in as", "1 alice alice_acct"},
      {318, ":irc.x 318 Bot alice :End of WHOIS list", "2 alice "},
      {330, ":irc.x 330 Bot alice :two words", std::nullopt},
      {330, ":irc.x 330 Bot alice", std::nullopt},
      {311, ":irc.x 311 Bot alice al", std::nullopt},
      {318, ":irc.x 318 Bot", std::nullopt},
      {312, ":irc.x 312 Bot alice irc.x :Server", std::nullopt},
  };
  ParsedLine parsed;
  for (const Case& c : cases) {
    SplitLine(c.line, parsed);
    const auto part = ParseWhoisPart(c.number, parsed);
    ASSERT_EQ(part.has_value(), c.part.has_value()) << c.line;
    if (!part) continue;
    EXPECT_EQ(std::to_string(part->kind) + " " + part->nick + " " + part->value, *c.part);
  }
}

}  // namespace
}  // namespace zelmo
