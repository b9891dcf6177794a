#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/mode_changes.h"
#include "irc/session/name_index.h"

namespace zelmo {

class ChannelCommandSink;
class MemberDirectory;
class TIdIRCUser;
class TIdIRCUsers;

enum MemberFlag : unsigned { mfOp = 1, mfVoice = 2 };
using MemberFlags = unsigned;

struct ChannelMember {
  std::string Nick;
  MemberFlags Flags = 0;
};

enum ChannelCloseType : int { ctNone = 0, ctParted = 1, ctKicked = 2 };

enum TIdIRCChannelUpdateType : int {
  cutMode = 0,
  cutTopic = 1,
  cutMemberFlags = 2,
  cutNames = 3,
  cutNick = 4,
  cutJoin = 5,
  cutPart = 6,
  cutKick = 7,
  cutQuit = 8,
};

class TIdIRCChannel;

// Raised with the channel, the kind of change, the member's record (or null)
// and a number: a member's index, a member's new flags, or 0.
using ChannelUpdateHandler = std::function<void(
    TIdIRCChannel* sender, TIdIRCChannelUpdateType update_type, TIdIRCUser* user, int info)>;

// A channel the client is in: topic, modes and members in the order added.
// Member lookups ignore case and give the first match.
class TIdIRCChannel : public std::enable_shared_from_this<TIdIRCChannel> {
 public:
  TIdIRCChannel(std::string_view name, ChannelCommandSink* owner,
                ChannelUpdateHandler on_update = {});
  TIdIRCChannel(const TIdIRCChannel&) = delete;
  TIdIRCChannel& operator=(const TIdIRCChannel&) = delete;
  ~TIdIRCChannel() { ListIn(nullptr); }

  // Keeps the directory told of this channel's members (none: no longer).
  void ListIn(MemberDirectory* directory);

  const std::string& Name() const { return name_; }
  const std::string& Topic() const { return topic_; }
  ChannelModes Mode() const { return mode_; }
  int Limit() const { return limit_; }
  const std::string& Key() const { return key_; }
  const std::vector<ChannelMember>& Names() const { return names_; }

  // Set by the client's own JOIN, cleared just before the record is dropped.
  bool Active = false;
  // Why the client left; set just before the leaving is reported.
  ChannelCloseType CloseType = ctNone;
  ChannelUpdateHandler OnChannelUpdate;

  // Sends "KICK" with this channel, the nick and the reason.
  void Kick(const std::string& nick, const std::string& reason);
  // Sends "MODE" with this channel, "+v" and the nick. The member's flags
  // change only when the server's MODE line comes back.
  void Voice(const std::string& nick);
  bool HasUser(std::string_view nick) const { return FindUser(nick) >= 0; }
  // Index in Names, or -1.
  int FindUser(std::string_view nick) const;

  void SetTopic(std::string_view topic);
  void SetMode(ChannelModes mode);
  void SetLimit(int limit);
  void SetKey(std::string_view key);

  // Member changes by a user's record; a null record or a nick that is not
  // (for join: already) a member changes nothing and raises nothing.
  void MemberJoin(TIdIRCUser* user);
  void MemberPart(TIdIRCUser* user) { MemberLeave(user, cutPart); }
  void MemberKick(TIdIRCUser* user) { MemberLeave(user, cutKick); }
  void MemberQuit(TIdIRCUser* user) { MemberLeave(user, cutQuit); }
  // The record still carries the old nick.
  void MemberNickChange(TIdIRCUser* user, std::string_view new_nick);
  void SetOp(TIdIRCUser* user) { ChangeFlags(user, mfOp, true); }
  void ClearOp(TIdIRCUser* user) { ChangeFlags(user, mfOp, false); }
  void SetVoice(TIdIRCUser* user) { ChangeFlags(user, mfVoice, true); }
  void ClearVoice(TIdIRCUser* user) { ChangeFlags(user, mfVoice, false); }
  // The member's flags become `flags` (a WHO reply showing all its
  // prefixes); the update is raised only when they change.
  void SetFlags(TIdIRCUser* user, MemberFlags flags);

  // Adds the members of a NAMES reply's blank-separated list ("@" marks an
  // operator, "+" a voiced member, "@nick+" both). Each new member gets a
  // holder in `users` that is never released; a listed member keeps its
  // flags. At most `room` new members are added, and none whose record
  // would take `users` past kMaxHeldUsers; false when names were left out.
  // Raises cutNames once at the end. With `every_prefix` (multi-prefix
  // negotiated) a word may carry all its prefixes in front ("@+nick").
  bool AddNames(std::string_view member_list, TIdIRCUsers& users,
                std::size_t room = std::numeric_limits<std::size_t>::max(),
                bool every_prefix = false);

 private:
  void MemberLeave(TIdIRCUser* user, TIdIRCChannelUpdateType update_type);
  void ChangeFlags(TIdIRCUser* user, MemberFlags flag, bool on);
  // Whether the word named a member that could be kept (or none at all).
  bool AddNamesWord(std::string_view word, TIdIRCUsers& users, std::size_t& room,
                    bool every_prefix);
  void Append(std::string_view nick, MemberFlags flags);
  void Erase(std::size_t index);
  void Raise(TIdIRCChannelUpdateType update_type, TIdIRCUser* user, int info);

  std::string name_;
  ChannelCommandSink* owner_;
  std::string topic_;
  ChannelModes mode_ = 0;
  int limit_ = 0;
  std::string key_;
  std::vector<ChannelMember> names_;
  NameIndex member_index_;
  MemberDirectory* directory_ = nullptr;
};

}  // namespace zelmo
