#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "irc/protocol/irc_line.h"
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
}

}  // namespace
}  // namespace zelmo
