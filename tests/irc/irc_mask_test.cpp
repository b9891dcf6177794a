#include "irc/protocol/irc_mask.h"

#include <gtest/gtest.h>

#include <string>

namespace zelmo {
namespace {

TEST(IrcMask, MatchesWildcardsAndLetterCase) {
  struct Case {
    const char* mask;
    const char* address;
    bool matches;
  };
  const Case cases[] = {
      {"*!*@host.example.org", "bob!b@host.example.org", true},
      {"*!*@HOST.example.org", "bob!b@host.Example.ORG", true},
      {"*!*@*.example.org", "bob!b@a.b.example.org", true},
      {"*!*@*.example.org", "bob!b@example.org", false},
      {"bob!*@*", "Bob!x@y", true},
      {"bob!*@*", "bobby!x@y", false},
      {"b?b!*@*", "bib!x@y", true},
      {"b?b!*@*", "bb!x@y", false},
      {"*", "", true},
      {"", "", true},
      {"", "a!b@c", false},
      {"*!*@*", "a!b@c", true},
      {"a*b*c", "a-b-x-c", true},
      {"a*b*c", "a-b-x-cd", false},
      {"***@h", "n!u@h", true},
      // Brackets and carets are plain bytes, not a character class.
      {"[x]!*@*", "[x]!u@h", true},
      {"[x]!*@*", "x!u@h", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MaskMatches(c.mask, c.address), c.matches) << c.mask << " ~ " << c.address;
  }
}

TEST(IrcMask, AHostileMaskEndsWithoutRecursion) {
  // Many stars against a long address that almost matches: the greedy
  // matcher must finish (and answer no) without deep recursion.
  const std::string mask = std::string(250, '*') + "b";
  EXPECT_FALSE(MaskMatches(mask, std::string(500, 'a')));
  EXPECT_TRUE(MaskMatches(mask, std::string(500, 'a') + "b"));
}

TEST(IrcMask, NickOrMask) {
  EXPECT_EQ(HostBanMask("host.example.org"), "*!*@host.example.org");
  for (const char* mask : {"*!*@h", "bob!*", "@h", "b*", "b?b"}) EXPECT_TRUE(IsMask(mask)) << mask;
  for (const char* nick : {"bob", "[x]", "a-b_c^{}|\\"}) EXPECT_FALSE(IsMask(nick)) << nick;
}

}  // namespace
}  // namespace zelmo
