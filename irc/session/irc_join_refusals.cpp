#include <algorithm>
#include <array>

#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"

// Error replies that refuse a JOIN. Most of them answer other commands too
// (403 a PART or a KICK, 477 a message), so one counts as a refused JOIN
// only when it names a channel the bot asked to join and has not joined.

namespace zelmo {

namespace {

// No such channel, too many channels, full, invite only, banned, bad key,
// bad channel name, registered nicks only, TLS only.
constexpr std::array kJoinRefusals = {403, 405, 471, 473, 474, 475, 476, 477, 489};

}  // namespace

void TIdIRC::NoteJoinSent(const std::string& channels) {
  std::size_t start = 0;
  while (start <= channels.size()) {
    std::size_t comma = std::min(channels.find(',', start), channels.size());
    std::string channel = channels.substr(start, comma - start);
    if (!channel.empty()) pending_joins_.push_back(std::move(channel));
    start = comma + 1;
  }
  if (pending_joins_.size() > kMaxPendingJoins) {
    pending_joins_.erase(pending_joins_.begin(),
                         pending_joins_.end() - static_cast<long>(kMaxPendingJoins));
  }
}

void TIdIRC::NoteJoined(const std::string& channel) {
  std::erase_if(pending_joins_, [&](const std::string& name) { return SameText(name, channel); });
}

void TIdIRC::NoteJoinRefusal(const ErrorReply& reply) {
  if (std::find(kJoinRefusals.begin(), kJoinRefusals.end(), reply.number) == kJoinRefusals.end()) {
    return;
  }
  auto pending = std::find_if(pending_joins_.begin(), pending_joins_.end(),
                              [&](const std::string& name) { return SameText(name, reply.about); });
  if (pending == pending_joins_.end()) return;
  pending_joins_.erase(pending);
  events_->OnJoinRefused(reply.about, reply.reason);
}

}  // namespace zelmo
