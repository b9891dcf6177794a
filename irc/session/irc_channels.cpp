#include "irc/session/irc_channels.h"

#include "shell/base/errors.h"

namespace zelmo {

std::shared_ptr<TIdIRCChannel> TIdIRCChannels::Add(std::string_view name,
                                                   ChannelUpdateHandler on_update) {
  Remove(name);
  auto channel = std::make_shared<TIdIRCChannel>(name, owner_, std::move(on_update));
  index_.Add(name, items_.size());
  items_.push_back(channel);
  return channel;
}

void TIdIRCChannels::Remove(std::string_view name) {
  std::optional<std::size_t> position = index_.First(name);
  if (!position) return;
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
  for (const std::shared_ptr<TIdIRCChannel>& channel : Snapshot()) {
    channel->MemberNickChange(user, new_nick);
  }
}

void TIdIRCChannels::Quit(TIdIRCUser* user) {
  for (const std::shared_ptr<TIdIRCChannel>& channel : Snapshot()) channel->MemberQuit(user);
}

std::size_t TIdIRCChannels::MemberCount() const {
  std::size_t count = 0;
  for (const auto& channel : items_) count += channel->Names().size();
  return count;
}

void TIdIRCChannels::Clear() {
  index_.Clear();
  items_.clear();
}

}  // namespace zelmo
