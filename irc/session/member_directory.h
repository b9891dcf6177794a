#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "irc/session/name_index.h"

namespace zelmo {

class TIdIRCChannel;

// The channels that list each nick (once per entry), so that a QUIT or a
// NICK visits the channels its sender is in instead of every channel.
class MemberDirectory {
 public:
  void Add(std::string_view nick, TIdIRCChannel* channel);
  void Remove(std::string_view nick, TIdIRCChannel* channel);
  // The channels listing the nick, in no particular order.
  const std::vector<TIdIRCChannel*>& Channels(std::string_view nick) const;
  // The bytes of the nicks of all entries together.
  std::size_t NickBytes() const { return nick_bytes_; }

 private:
  std::unordered_map<std::string, std::vector<TIdIRCChannel*>, NoCaseHash, NoCaseEqual> channels_;
  std::size_t nick_bytes_ = 0;
};

}  // namespace zelmo
