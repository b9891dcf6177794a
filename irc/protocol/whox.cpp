#include "irc/protocol/whox.h"

#include <cstddef>

namespace zelmo {

namespace {

// The slots of a reply to the bot's query (slot 2 is the bot's nick).
enum WhoxSlot : std::size_t {
  kToken = 3,
  kChannel,
  kUser,
  kHost,
  kNick,
  kFlags,
  kAccount,
  kPastLast
};

}  // namespace

std::string WhoxQuery(std::string_view channel) {
  std::string query = "WHO ";
  query += channel;
  query += " %tcnuhaf,";
  query += kWhoxToken;
  return query;
}

std::optional<WhoxEntry> ParseWhoxReply(const ParsedLine& line) {
  const ParamSlots& slots = line.ParamTable;
  if (slots[kToken] != kWhoxToken) return std::nullopt;
  for (std::size_t slot = kChannel; slot <= kAccount; ++slot) {
    if (slots[slot].empty()) return std::nullopt;
  }
  if (!slots[kPastLast].empty()) return std::nullopt;
  // Only the last field may come as a trailing parameter, and an account
  // name holds no blank.
  if (slots[kAccount].find(' ') != std::string::npos) return std::nullopt;
  WhoxEntry entry{slots[kChannel], slots[kUser], slots[kHost], slots[kNick], slots[kFlags], {}};
  if (slots[kAccount] != "0") entry.account = slots[kAccount];
  return entry;
}

std::optional<WhoxEntry> ParseWhoReply(const ParsedLine& line) {
  const ParamSlots& slots = line.ParamTable;
  // Channel, user, host, server, nick and flags, in slots 3 to 8.
  constexpr std::size_t kFirst = 3;
  constexpr std::size_t kWhoFlags = 8;
  for (std::size_t slot = kFirst; slot <= kWhoFlags; ++slot) {
    if (slots[slot].empty()) return std::nullopt;
  }
  return WhoxEntry{slots[3], slots[4], slots[5], slots[7], slots[kWhoFlags], {}};
}

WhoPrefixes ReadWhoPrefixes(std::string_view flags) {
  // The first letter is "H" or "G" (here or gone), never a prefix.
  const std::string_view marks = flags.substr(flags.empty() ? 0 : 1);
  return WhoPrefixes{marks.find('@') != std::string_view::npos,
                     marks.find('+') != std::string_view::npos};
}

}  // namespace zelmo
