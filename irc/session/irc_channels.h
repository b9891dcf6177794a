#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "irc/session/irc_channel.h"
#include "irc/session/member_directory.h"
#include "irc/session/name_index.h"

namespace zelmo {

// The channels the client is in, in the order they were made. The collection
// owns the records; a std::shared_ptr keeps one alive for a while, and event
// handlers get plain pointers valid while the event lasts. Name lookups
// ignore case.
class TIdIRCChannels {
 public:
  // New records send their commands through `owner` (none: nothing is sent).
  explicit TIdIRCChannels(ChannelCommandSink* owner = nullptr) : owner_(owner) {}
  // The records hold the address of the directory.
  TIdIRCChannels(const TIdIRCChannels&) = delete;
  TIdIRCChannels& operator=(const TIdIRCChannels&) = delete;
  ~TIdIRCChannels() { Clear(); }

  // Drops any record of that name and makes a new one at the end.
  std::shared_ptr<TIdIRCChannel> Add(std::string_view name, ChannelUpdateHandler on_update = {});
  void Remove(std::string_view name);
  TIdIRCChannel* Find(std::string_view name) const { return FindShared(name).get(); }
  std::shared_ptr<TIdIRCChannel> FindShared(std::string_view name) const;

  int Count() const { return static_cast<int>(items_.size()); }
  // The members listed in all the records together.
  std::size_t MemberCount() const;
  // How many more members may be listed: none once the members, or the
  // bytes of their nicks, have reached their bound.
  std::size_t MemberRoom() const;
  // Raises EListError for an index outside 0 to Count - 1.
  TIdIRCChannel* Items(int index) const { return ItemShared(index).get(); }
  const std::shared_ptr<TIdIRCChannel>& ItemShared(int index) const;

  // The user's member entry is renamed, or removed, in every channel. The
  // record still carries the old nick.
  void NickChange(TIdIRCUser* user, std::string_view new_nick);
  void Quit(TIdIRCUser* user);

  void Clear();

 private:
  // The records that list the user at this moment, in the collection's
  // order, so that update handlers may change the list.
  std::vector<std::shared_ptr<TIdIRCChannel>> Listing(const TIdIRCUser* user) const;

  ChannelCommandSink* owner_;
  std::vector<std::shared_ptr<TIdIRCChannel>> items_;
  NameIndex index_;
  MemberDirectory directory_;
};

}  // namespace zelmo
