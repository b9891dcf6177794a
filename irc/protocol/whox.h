#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "irc/protocol/irc_line.h"

namespace zelmo {

// The token the bot puts in its WHOX queries. A 354 reply carrying another
// (or none) answers someone else's query, or none, and is not read: only
// replies to the bot's own query may tell it a member's account.
inline constexpr std::string_view kWhoxToken = "28";

// The query for a channel's members with their accounts:
// "WHO #chan %tcnuhaf,28". Whatever order the letters are asked in, the
// server answers in its fixed order: token, channel, user, host, nick,
// flags, account.
std::string WhoxQuery(std::string_view channel);

// One member as a 354 reply to that query gives it:
//   :irc.example 354 ZelmoBot 28 #chan al host.example alice H@+ alice_acct
struct WhoxEntry {
  std::string channel;
  std::string user;
  std::string host;
  std::string nick;
  // "H" or "G" (here or gone), then "*" for an operator and the member's
  // prefixes, every one of them with multi-prefix.
  std::string flags;
  // None when the member is not logged in (the server sends "0").
  std::optional<std::string> account;
};

// The entry of a 354 line; nothing when the token is not the bot's, a
// field is missing or more follow (a reply to another query's letters).
std::optional<WhoxEntry> ParseWhoxReply(const ParsedLine& line);

// The member of a 352 reply to a plain WHO (no account in it):
//   :irc.example 352 ZelmoBot #chan al host.example irc.example alice H@+ :0 Alice
// Nothing when a field is missing.
std::optional<WhoxEntry> ParseWhoReply(const ParsedLine& line);

// The channel prefixes a WHO flags field shows ("H@+", "G*@"): an operator's
// "@" and a voiced member's "+". Other prefixes and letters say neither.
struct WhoPrefixes {
  bool op = false;
  bool voice = false;
};
WhoPrefixes ReadWhoPrefixes(std::string_view flags);

}  // namespace zelmo
