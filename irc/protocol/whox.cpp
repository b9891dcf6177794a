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

}  // namespace zelmo
