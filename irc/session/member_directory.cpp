#include "irc/session/member_directory.h"

#include <algorithm>

namespace zelmo {

void MemberDirectory::Add(std::string_view nick, TIdIRCChannel* channel) {
  auto found = channels_.find(nick);
  if (found == channels_.end()) found = channels_.emplace(std::string(nick), 0).first;
  found->second.push_back(channel);
  nick_bytes_ += nick.size();
}

void MemberDirectory::Remove(std::string_view nick, TIdIRCChannel* channel) {
  auto found = channels_.find(nick);
  if (found == channels_.end()) return;
  std::vector<TIdIRCChannel*>& listing = found->second;
  auto at = std::find(listing.begin(), listing.end(), channel);
  if (at == listing.end()) return;
  listing.erase(at);
  nick_bytes_ -= nick.size();
  if (listing.empty()) channels_.erase(found);
}

const std::vector<TIdIRCChannel*>& MemberDirectory::Channels(std::string_view nick) const {
  static const std::vector<TIdIRCChannel*> kNone;
  auto found = channels_.find(nick);
  return found == channels_.end() ? kNone : found->second;
}

}  // namespace zelmo
