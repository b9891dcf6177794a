#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "irc/protocol/message_tags.h"

namespace zelmo {
namespace {

struct SplitCase {
  std::string_view line;
  std::string_view tags;
  std::string_view rest;
};

TEST(MessageTags, SplitCutsTheTagPartOnly) {
  const std::string at_bound = "@" + std::string(kMaxTagPartBytes - 2, 'k') + " PING x";
  const std::string over_bound = "@" + std::string(kMaxTagPartBytes - 1, 'k') + " PING x";
  const SplitCase cases[] = {
      {":a!b@c PRIVMSG #c :@x y", "", ":a!b@c PRIVMSG #c :@x y"},
      {"@account=al :a!b@c PRIVMSG #c :hi", "account=al", ":a!b@c PRIVMSG #c :hi"},
      {"@a=1;b   PING :x", "a=1;b", "PING :x"},
      {"@account=al", "", ""},
      {"@ PING", "", "PING"},
      {at_bound, std::string_view(at_bound).substr(1, kMaxTagPartBytes - 2), "PING x"},
      // Over the bound the tags are not read; the command still is.
      {over_bound, "", "PING x"},
  };
  for (const SplitCase& c : cases) {
    const TaggedLine split = SplitMessageTags(c.line);
    EXPECT_EQ(split.tags, c.tags) << c.line.substr(0, 40);
    EXPECT_EQ(split.rest, c.rest) << c.line.substr(0, 40);
  }
}

struct AccountCase {
  std::string_view tags;
  std::optional<std::string> account;
};

TEST(MessageTags, AccountIsDecodedOnceWithEscapesAndLastRepeatWinning) {
  const AccountCase cases[] = {
      {"", std::nullopt},
      {"account=alice", "alice"},
      {"time=2026-01-01T00:00:00.000Z;account=bob;msgid=x", "bob"},
      {"account", std::nullopt},
      {"account=", std::nullopt},
      {"account=a;account=b", "b"},
      {"account=a;account=", std::nullopt},
      // Other keys that merely contain the name are not it.
      {"+account=mallory;vendor.example/account=eve;accounts=x", std::nullopt},
      {"account=a\\:b\\sc\\\\d\\x\\", "a;b c\\dx"},
      {";;account=al;;", "al"},
  };
  for (const AccountCase& c : cases) {
    EXPECT_EQ(ParseMessageTags(c.tags).account, c.account) << c.tags;
  }
}

TEST(MessageTags, UnescapeTable) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"plain", "plain"}, {"\\:", ";"},     {"\\s", " "}, {"\\\\", "\\"},   {"\\r\\n", "\r\n"},
      {"\\q", "q"},       {"end\\", "end"}, {"\\", ""},   {"\\\\s", "\\s"},
  };
  for (const auto& [escaped, text] : cases) EXPECT_EQ(UnescapeTagValue(escaped), text) << escaped;
}

}  // namespace
}  // namespace zelmo
