#include "irc/session/irc_channel.h"

#include <optional>
#include <utility>

#include "irc/protocol/irc_line.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/session/channel_command_sink.h"
#include "irc/session/irc_users.h"
#include "irc/session/member_directory.h"

namespace zelmo {

TIdIRCChannel::TIdIRCChannel(std::string_view name, ChannelCommandSink* owner,
                             ChannelUpdateHandler on_update)
    : OnChannelUpdate(std::move(on_update)), name_(name), owner_(owner) {}

void TIdIRCChannel::ListIn(MemberDirectory* directory) {
  if (directory_) {
    for (const ChannelMember& member : names_) directory_->Remove(member.Nick, this);
  }
  directory_ = directory;
  if (directory_) {
    for (const ChannelMember& member : names_) directory_->Add(member.Nick, this);
  }
}

void TIdIRCChannel::Kick(const std::string& nick, const std::string& reason) {
  if (owner_) owner_->Kick(name_, nick, reason);
}

void TIdIRCChannel::Voice(const std::string& nick) {
  if (owner_) owner_->Mode(name_, "+v", nick);
}

int TIdIRCChannel::FindUser(std::string_view nick) const {
  std::optional<std::size_t> index = member_index_.First(nick);
  return index ? static_cast<int>(*index) : -1;
}

void TIdIRCChannel::SetTopic(std::string_view topic) {
  topic_.assign(topic);
  Raise(cutTopic, nullptr, 0);
}

void TIdIRCChannel::SetMode(ChannelModes mode) {
  mode_ = mode;
  Raise(cutMode, nullptr, 0);
}

void TIdIRCChannel::SetLimit(int limit) {
  limit_ = limit;
  Raise(cutMode, nullptr, 0);
}

void TIdIRCChannel::SetKey(std::string_view key) {
  key_.assign(key);
  Raise(cutMode, nullptr, 0);
}

void TIdIRCChannel::MemberJoin(TIdIRCUser* user) {
  if (!user || HasUser(user->Nick())) return;
  Append(user->Nick(), 0);
  Raise(cutJoin, user, static_cast<int>(names_.size() - 1));
}

void TIdIRCChannel::MemberLeave(TIdIRCUser* user, TIdIRCChannelUpdateType update_type) {
  if (!user) return;
  int index = FindUser(user->Nick());
  if (index < 0) return;
  // The handler may drop this record from its collection.
  std::shared_ptr<TIdIRCChannel> keep = weak_from_this().lock();
  Raise(update_type, user, index);
  // ... or change the member list, so the entry is looked up again.
  index = FindUser(user->Nick());
  if (index >= 0) Erase(static_cast<std::size_t>(index));
}

void TIdIRCChannel::MemberNickChange(TIdIRCUser* user, std::string_view new_nick) {
  if (!user) return;
  int index = FindUser(user->Nick());
  if (index < 0) return;
  auto position = static_cast<std::size_t>(index);
  ChannelMember& member = names_[position];
  member_index_.Remove(member.Nick, position);
  if (directory_) directory_->Remove(member.Nick, this);
  member.Nick.assign(new_nick);
  member_index_.Add(member.Nick, position);
  if (directory_) directory_->Add(member.Nick, this);
  Raise(cutNick, user, index);
}

void TIdIRCChannel::ChangeFlags(TIdIRCUser* user, MemberFlags flag, bool on) {
  if (!user) return;
  int index = FindUser(user->Nick());
  if (index < 0) return;
  MemberFlags& flags = names_[static_cast<std::size_t>(index)].Flags;
  flags = on ? (flags | flag) : (flags & ~flag);
  Raise(cutMemberFlags, user, static_cast<int>(flags));
}

void TIdIRCChannel::SetFlags(TIdIRCUser* user, MemberFlags flags) {
  const int index = user ? FindUser(user->Nick()) : -1;
  if (index < 0) return;
  MemberFlags& held = names_[static_cast<std::size_t>(index)].Flags;
  if (held == flags) return;
  held = flags;
  Raise(cutMemberFlags, user, static_cast<int>(flags));
}

bool TIdIRCChannel::AddNames(std::string_view member_list, TIdIRCUsers& users, std::size_t room,
                             bool every_prefix) {
  bool all_kept = true;
  std::string_view rest = member_list;
  while (!rest.empty()) {
    std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) {
      all_kept = AddNamesWord(rest, users, room, every_prefix) && all_kept;
      break;
    }
    all_kept = AddNamesWord(rest.substr(0, blank), users, room, every_prefix) && all_kept;
    rest = rest.substr(blank + 1, kMaxLinePart);
  }
  Raise(cutNames, nullptr, 0);
  return all_kept;
}

bool TIdIRCChannel::AddNamesWord(std::string_view word, TIdIRCUsers& users, std::size_t& room,
                                 bool every_prefix) {
  MemberFlags flags = 0;
  while (every_prefix && !word.empty() && (word.front() == '@' || word.front() == '+')) {
    flags |= word.front() == '@' ? mfOp : mfVoice;
    word.remove_prefix(1);
  }
  if (!every_prefix && !word.empty() && word.front() == '@') {
    word.remove_prefix(1);
    flags = mfOp;
    if (!word.empty() && word.back() == '+') {
      word.remove_suffix(1);
      flags |= mfVoice;
    }
  } else if (!every_prefix && !word.empty() && word.front() == '+') {
    word.remove_prefix(1);
    flags = mfVoice;
  }
  // Two blanks in a row or a lone mark name nobody.
  if (word.empty() || HasUser(word)) return true;
  const bool new_record = users.Find(word) == nullptr;
  if (room == 0 || (new_record && static_cast<std::size_t>(users.Count()) >= kMaxHeldUsers)) {
    return false;
  }
  --room;
  users.AddRef(word, "");
  Append(word, flags);
  return true;
}

void TIdIRCChannel::Append(std::string_view nick, MemberFlags flags) {
  member_index_.Add(nick, names_.size());
  names_.push_back(ChannelMember{std::string(nick), flags});
  if (directory_) directory_->Add(nick, this);
}

void TIdIRCChannel::Erase(std::size_t index) {
  if (directory_) directory_->Remove(names_[index].Nick, this);
  member_index_.Erase(names_[index].Nick, index);
  names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TIdIRCChannel::Raise(TIdIRCChannelUpdateType update_type, TIdIRCUser* user, int info) {
  if (!OnChannelUpdate) return;
  // A copy, so that a handler may replace the event while it runs.
  ChannelUpdateHandler handler = OnChannelUpdate;
  handler(this, update_type, user, info);
}

}  // namespace zelmo
