#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/base/errors.h"

namespace zelmo {

// Seconds since the epoch, as the ban list stores its times.
using UnixSeconds = std::int64_t;

// One ban the bot set and keeps.
struct BanEntry {
  std::string mask;
  std::string setter;
  UnixSeconds set_at = 0;
  UnixSeconds expires_at = 0;  // 0: never
  bool quiet = false;          // a quiet (mute), not a ban
  std::string reason;

  bool operator==(const BanEntry&) const = default;
};

// Channel operators feed the list, so it is bounded: a full list refuses.
inline constexpr std::size_t kMaxBansPerChannel = 200;
inline constexpr std::size_t kMaxBanChannels = 100;
inline constexpr std::size_t kMaxMaskBytes = 200;
// Longer reasons are cut; a KICK line has room for little more anyway.
inline constexpr std::size_t kMaxBanReasonBytes = 200;

// A ban the list cannot take (full, or a mask it cannot store), with the
// reason in words for the requester.
class EBanRefused : public Exception {
 public:
  using Exception::Exception;
};

// Whether the list can store the mask: 1 to kMaxMaskBytes bytes without
// blanks, control bytes or "=", and not starting with "[" or ";", which the
// file would read as a section head or a comment.
bool IsStorableMask(std::string_view mask);

// The bans the bot keeps, per channel, in their own INI file: one section per
// channel, one key per mask. Every change is written at once through the
// crash-safe INI store, so a restart finds what was set. Channel names and
// masks compare without regard to ASCII case. Owned by the user-interface
// thread.
class BanList {
 public:
  // Reads the file; a missing file is an empty list. Raises an Exception
  // naming the file, the channel and the mask for an entry it cannot read,
  // and for more entries than the bounds allow.
  explicit BanList(std::string file_name);

  const std::string& FileName() const { return file_name_; }

  // The channel's bans in the order they were set; empty for a channel
  // without any.
  const std::vector<BanEntry>& Of(std::string_view channel) const;
  const BanEntry* Find(std::string_view channel, std::string_view mask) const;
  // The first ban (not a quiet) of the channel whose mask covers
  // "nick!user@host".
  const BanEntry* Matching(std::string_view channel, std::string_view address) const;
  // Every channel that has bans, as first written.
  std::vector<std::string> Channels() const;

  // Adds the ban, or replaces the one of the same mask. Raises EBanRefused
  // for a mask it cannot store or a full list, EIniFileException when the
  // file cannot be written (the list then stays as it was).
  void Add(std::string_view channel, BanEntry entry);
  // False when the channel has no ban of that mask.
  bool Remove(std::string_view channel, std::string_view mask);

  // The earliest time a ban ends, for the one timer that removes them.
  std::optional<UnixSeconds> NextExpiry() const;
  // Every ban of the channel that has ended by now, removed from the list.
  struct Expired {
    std::string channel;
    BanEntry entry;
  };
  std::vector<Expired> TakeExpired(UnixSeconds now);

 private:
  struct ChannelBans {
    std::string name;
    std::vector<BanEntry> bans;
  };
  void Load();
  ChannelBans* FindChannel(std::string_view channel);
  const ChannelBans* FindChannel(std::string_view channel) const;
  void Insert(std::string_view channel, BanEntry entry);

  std::string file_name_;
  std::map<std::string, ChannelBans> channels_;  // by lower-case name
};

}  // namespace zelmo
