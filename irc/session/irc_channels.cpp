#include "irc/session/irc_channels.h"

#include <algorithm>
#include <utility>

#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_users.h"
#include "shell/base/errors.h"

namespace zelmo {

std::shared_ptr<TIdIRCChannel> TIdIRCChannels::Add(std::string_view name,
                                                   ChannelUpdateHandler on_update) {
  Remove(name);
  auto channel = std::make_shared<TIdIRCChannel>(name, owner_, std::move(on_update));
  channel->ListIn(&directory_);
  index_.Add(name, items_.size());
  items_.push_back(channel);
  return channel;
}

void TIdIRCChannels::Remove(std::string_view name) {
  std::optional<std::size_t> position = index_.First(name);
  if (!position) return;
  items_[*position]->ListIn(nullptr);
  index_.Erase(items_[*position]->Name(), *position);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*position));
}

std::shared_ptr<TIdIRCChannel> TIdIRCChannels::FindShared(std::string_view name) const {
  std::optional<std::size_t> position = index_.First(name);
  if (!position) return nullptr;
  return items_[*position];
}

const std::shared_ptr<TIdIRCChannel>& TIdIRCChannels::ItemShared(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return items_[static_cast<std::size_t>(index)];
}

void TIdIRCChannels::NickChange(TIdIRCUser* user, std::string_view new_nick) {
  for (const std::shared_ptr<TIdIRCChannel>& channel : Listing(user)) {
    channel->MemberNickChange(user, new_nick);
  }
}

void TIdIRCChannels::Quit(TIdIRCUser* user) {
  for (const std::shared_ptr<TIdIRCChannel>& channel : Listing(user)) channel->MemberQuit(user);
}

std::vector<std::shared_ptr<TIdIRCChannel>> TIdIRCChannels::Listing(const TIdIRCUser* user) const {
  std::vector<std::pair<std::size_t, std::shared_ptr<TIdIRCChannel>>> found;
  if (user) {
    for (TIdIRCChannel* channel : directory_.Channels(user->Nick())) {
      std::optional<std::size_t> position = index_.First(channel->Name());
      if (position && items_[*position].get() == channel) {
        found.emplace_back(*position, items_[*position]);
      }
    }
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::shared_ptr<TIdIRCChannel>> listing;
  // A channel that lists the nick twice is visited once.
  for (auto& [position, channel] : found) {
    if (listing.empty() || listing.back() != channel) listing.push_back(std::move(channel));
  }
  return listing;
}

std::size_t TIdIRCChannels::MemberCount() const {
  std::size_t count = 0;
  for (const auto& channel : items_) count += channel->Names().size();
  return count;
}

std::size_t TIdIRCChannels::MemberRoom() const {
  const std::size_t members = MemberCount();
  if (members >= kMaxMembers || directory_.NickBytes() >= kMaxMemberNickBytes) return 0;
  return kMaxMembers - members;
}

void TIdIRCChannels::Clear() {
  for (const auto& channel : items_) channel->ListIn(nullptr);
  index_.Clear();
  items_.clear();
}

}  // namespace zelmo
