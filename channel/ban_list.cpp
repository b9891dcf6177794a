#include "channel/ban_list.h"

#include <algorithm>
#include <utility>

#include "irc/protocol/irc_mask.h"
#include "shell/base/convert.h"
#include "shell/base/ini_disk.h"
#include "shell/base/ini_document.h"
#include "shell/base/ini_file.h"

namespace zelmo {
namespace {

BanEntry* FindIn(std::vector<BanEntry>& bans, std::string_view mask) {
  const auto found = std::find_if(
      bans.begin(), bans.end(), [&](const BanEntry& entry) { return SameText(entry.mask, mask); });
  return found == bans.end() ? nullptr : &*found;
}

// A stored ban is "<expires> <set at> <setter> <b|q> <reason>": the reason
// last, as it is the only part that may hold blanks.
std::string EncodeBan(const BanEntry& entry) {
  return IntToStr(entry.expires_at) + " " + IntToStr(entry.set_at) + " " + entry.setter + " " +
         (entry.quiet ? "q" : "b") + " " + entry.reason;
}

std::string_view NextField(std::string_view& rest) {
  const std::size_t end = std::min(rest.find(' '), rest.size());
  const std::string_view field = rest.substr(0, end);
  rest.remove_prefix(std::min(end + 1, rest.size()));
  return field;
}

std::optional<UnixSeconds> TimeField(std::string_view field) {
  if (field.empty() || field.size() > 18) return std::nullopt;
  UnixSeconds value = 0;
  for (char digit : field) {
    if (digit < '0' || digit > '9') return std::nullopt;
    value = value * 10 + (digit - '0');
  }
  return value;
}

std::optional<BanEntry> DecodeBan(std::string_view mask, std::string_view value) {
  BanEntry entry;
  entry.mask = mask;
  const std::optional<UnixSeconds> expires = TimeField(NextField(value));
  const std::optional<UnixSeconds> set_at = TimeField(NextField(value));
  entry.setter = NextField(value);
  const std::string_view kind = NextField(value);
  if (!expires || !set_at || entry.setter.empty() || (kind != "b" && kind != "q")) {
    return std::nullopt;
  }
  entry.expires_at = *expires;
  entry.set_at = *set_at;
  entry.quiet = kind == "q";
  entry.reason = value.substr(0, kMaxBanReasonBytes);
  return entry;
}

}  // namespace

bool IsStorableMask(std::string_view mask) {
  if (mask.empty() || mask.size() > kMaxMaskBytes || mask[0] == '[' || mask[0] == ';') return false;
  return std::none_of(mask.begin(), mask.end(), [](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '=' || c == '\x7F';
  });
}

BanList::BanList(std::string file_name) : file_name_(std::move(file_name)) {
  Load();
}

void BanList::Load() {
  const FileContent file = ReadFile(file_name_);
  if (file.state == FileState::kMissing) return;
  if (file.state == FileState::kUnreadable) throw Exception("Unable to read " + file_name_);
  const IniDocument document(file.bytes);
  for (const IniEntry& line : document.Entries()) {
    if (line.head || line.section.empty() || Find(line.section, line.key)) continue;
    const std::string where = file_name_ + ", [" + line.section + "] " + line.key;
    const std::optional<BanEntry> entry =
        IsStorableMask(line.key) ? DecodeBan(line.key, *document.Value(line.section, line.key))
                                 : std::nullopt;
    if (!entry) throw Exception(where + ": not a ban");
    const ChannelBans* channel = FindChannel(line.section);
    if ((!channel && channels_.size() >= kMaxBanChannels) ||
        (channel && channel->bans.size() >= kMaxBansPerChannel)) {
      throw Exception(where + ": more bans than the bot keeps");
    }
    Insert(line.section, *entry);
  }
}

const std::vector<BanEntry>& BanList::Of(std::string_view channel) const {
  static const std::vector<BanEntry> kNone;
  const ChannelBans* bans = FindChannel(channel);
  return bans ? bans->bans : kNone;
}

const BanEntry* BanList::Find(std::string_view channel, std::string_view mask) const {
  for (const BanEntry& entry : Of(channel)) {
    if (SameText(entry.mask, mask)) return &entry;
  }
  return nullptr;
}

const BanEntry* BanList::Matching(std::string_view channel, std::string_view address) const {
  for (const BanEntry& entry : Of(channel)) {
    if (!entry.quiet && MaskMatches(entry.mask, address)) return &entry;
  }
  return nullptr;
}

std::vector<std::string> BanList::Channels() const {
  std::vector<std::string> names;
  for (const auto& [key, bans] : channels_) names.push_back(bans.name);
  return names;
}

void BanList::Add(std::string_view channel, BanEntry entry) {
  if (!IsStorableMask(entry.mask)) throw EBanRefused("'" + entry.mask + "' is no mask");
  ChannelBans* bans = FindChannel(channel);
  BanEntry* same = bans ? FindIn(bans->bans, entry.mask) : nullptr;
  if (!same && ((!bans && channels_.size() >= kMaxBanChannels) ||
                (bans && bans->bans.size() >= kMaxBansPerChannel))) {
    throw EBanRefused("the ban list is full");
  }
  if (entry.reason.size() > kMaxBanReasonBytes) entry.reason.resize(kMaxBanReasonBytes);
  // The file first: a write that fails leaves the list as the file is.
  TIniFile(file_name_).WriteString(bans ? bans->name : channel, entry.mask, EncodeBan(entry));
  if (same) {
    *same = std::move(entry);
  } else {
    Insert(channel, std::move(entry));
  }
}

bool BanList::Remove(std::string_view channel, std::string_view mask) {
  ChannelBans* bans = FindChannel(channel);
  const BanEntry* entry = Find(channel, mask);
  if (!entry) return false;
  TIniFile file(file_name_);
  if (bans->bans.size() == 1) {
    file.EraseSection(bans->name);
  } else {
    file.DeleteKey(bans->name, entry->mask);
  }
  std::erase_if(bans->bans, [&](const BanEntry& each) { return SameText(each.mask, mask); });
  if (bans->bans.empty()) channels_.erase(LowerCase(channel));
  return true;
}

std::optional<UnixSeconds> BanList::NextExpiry() const {
  std::optional<UnixSeconds> next;
  for (const auto& [key, bans] : channels_) {
    for (const BanEntry& entry : bans.bans) {
      if (entry.expires_at != 0 && (!next || entry.expires_at < *next)) next = entry.expires_at;
    }
  }
  return next;
}

std::vector<BanList::Expired> BanList::TakeExpired(UnixSeconds now) {
  std::vector<Expired> expired;
  for (const auto& [key, bans] : channels_) {
    for (const BanEntry& entry : bans.bans) {
      if (entry.expires_at != 0 && entry.expires_at <= now) expired.push_back({bans.name, entry});
    }
  }
  for (const Expired& each : expired) Remove(each.channel, each.entry.mask);
  return expired;
}

BanList::ChannelBans* BanList::FindChannel(std::string_view channel) {
  const auto found = channels_.find(LowerCase(channel));
  return found == channels_.end() ? nullptr : &found->second;
}

const BanList::ChannelBans* BanList::FindChannel(std::string_view channel) const {
  const auto found = channels_.find(LowerCase(channel));
  return found == channels_.end() ? nullptr : &found->second;
}

void BanList::Insert(std::string_view channel, BanEntry entry) {
  ChannelBans& bans = channels_[LowerCase(channel)];
  if (bans.name.empty()) bans.name = channel;
  bans.bans.push_back(std::move(entry));
}

}  // namespace zelmo
