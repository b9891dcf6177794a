#include "support/recording_irc_events.h"

#include <algorithm>
#include <utility>

#include "irc/session/irc_client.h"

namespace zelmo::testing {

namespace {

constexpr const char* kNone = "(none)";

// A line without a nick in its prefix (or without a prefix) is the
// server's: its record has an empty nick.
std::string Who(const TIdIRCUser* user) {
  if (!user) return kNone;
  return user->Nick().empty() ? "(server)" : user->Nick();
}

std::string Where(const TIdIRCChannel* channel) {
  return channel ? channel->Name() : kNone;
}

std::string Joined(const std::vector<std::string>& fields) {
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) text += (i == 0 ? "" : " ") + fields[i];
  return text;
}

}  // namespace

std::string RecordedEvent::Text() const {
  return fields.empty() ? name : name + " " + Joined(fields);
}

std::vector<RecordedEvent> RecordingIrcEvents::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<std::string> RecordingIrcEvents::Texts(
    std::initializer_list<std::string_view> names) const {
  std::vector<std::string> texts;
  for (const RecordedEvent& event : Events()) {
    if (names.size() == 0 || std::find(names.begin(), names.end(), event.name) != names.end()) {
      texts.push_back(event.Text());
    }
  }
  return texts;
}

std::vector<std::string> RecordingIrcEvents::Arguments(std::string_view name) const {
  std::vector<std::string> arguments;
  for (const RecordedEvent& event : Events()) {
    if (event.name == name) arguments.push_back(Joined(event.fields));
  }
  return arguments;
}

std::vector<std::string> RecordingIrcEvents::Field(std::string_view name, std::size_t index) const {
  std::vector<std::string> values;
  for (const RecordedEvent& event : Events()) {
    if (event.name == name)
      values.push_back(index < event.fields.size() ? event.fields[index] : "");
  }
  return values;
}

int RecordingIrcEvents::Count(std::string_view name) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                        [&](const RecordedEvent& e) { return e.name == name; }));
}

bool RecordingIrcEvents::WaitFor(std::string_view name, int count,
                                 std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] {
    return std::count_if(events_.begin(), events_.end(),
                         [&](const RecordedEvent& e) { return e.name == name; }) >= count;
  });
}

void RecordingIrcEvents::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

// The hook runs before the event is seen by Events or WaitFor, so a test
// that waits for an event finds its hook done; the event is recorded also
// when the hook throws.
void RecordingIrcEvents::Record(std::string name, std::vector<std::string> fields) {
  struct Publish {
    RecordingIrcEvents& events;
    RecordedEvent event;
    ~Publish() {
      {
        std::lock_guard lock(events.mutex_);
        events.events_.push_back(std::move(event));
      }
      events.changed_.notify_all();
    }
  } publish{*this, RecordedEvent{std::move(name), std::move(fields)}};
  if (then) then(publish.event);
}

void RecordingIrcEvents::OnConnected() {
  Record("OnConnected");
}
void RecordingIrcEvents::OnDisconnected() {
  Record("OnDisconnected");
}
void RecordingIrcEvents::OnMessage(TIdIRCUser* user, TIdIRCChannel* channel,
                                   const std::string& content) {
  Record("OnMessage", {Who(user), Where(channel), content});
}
void RecordingIrcEvents::OnNotice(TIdIRCUser* user, TIdIRCChannel* channel,
                                  const std::string& content) {
  Record("OnNotice", {Who(user), Where(channel), content});
}
void RecordingIrcEvents::OnAction(TIdIRCUser* user, TIdIRCChannel* channel,
                                  const std::string& content) {
  Record("OnAction", {Who(user), Where(channel), content});
}
void RecordingIrcEvents::OnCTCPQuery(TIdIRCUser* user, TIdIRCChannel* channel,
                                     const std::string& command, const std::string& args,
                                     bool& suppress) {
  Record("OnCTCPQuery", {Who(user), Where(channel), command, args});
  suppress = suppress_ctcp;
}
void RecordingIrcEvents::OnCTCPReply(TIdIRCUser* user, TIdIRCChannel* channel,
                                     const std::string& command, const std::string& args) {
  Record("OnCTCPReply", {Who(user), Where(channel), command, args});
}
void RecordingIrcEvents::OnDCCChat(const std::string& nick, const std::string& ip,
                                   const std::string& port) {
  Record("OnDCCChat", {nick, ip, port});
}
void RecordingIrcEvents::OnDCCSend(const std::string& nick, const std::string& ip,
                                   const std::string& port, const std::string& file_name,
                                   const std::string& file_size) {
  Record("OnDCCSend", {nick, ip, port, file_name, file_size});
}
void RecordingIrcEvents::OnDCCResume(const std::string& nick, const std::string& port,
                                     const std::string& file_name, const std::string& position) {
  Record("OnDCCResume", {nick, port, file_name, position});
}
void RecordingIrcEvents::OnDCCAccept(const std::string& nick, const std::string& port,
                                     const std::string& file_name, const std::string& position) {
  Record("OnDCCAccept", {nick, port, file_name, position});
}
void RecordingIrcEvents::OnWallops(TIdIRCUser* user, const std::string& content) {
  Record("OnWallops", {Who(user), content});
}
void RecordingIrcEvents::OnJoin(TIdIRCUser* user, TIdIRCChannel* channel) {
  Record("OnJoin", {Who(user), Where(channel)});
}
void RecordingIrcEvents::OnAccountChanged(TIdIRCUser* user,
                                          const std::optional<std::string>& previous) {
  Record("OnAccountChanged", {Who(user), previous.value_or("*"), user->Account.value_or("*")});
}
void RecordingIrcEvents::OnHostChanged(TIdIRCUser* user, const std::string& old_address) {
  Record("OnHostChanged", {Who(user), old_address, user->Address});
}
void RecordingIrcEvents::OnAccountLookedUp(TIdIRCUser* user) {
  Record("OnAccountLookedUp", {Who(user), user->Address, user->Account.value_or("*")});
}
void RecordingIrcEvents::OnPart(TIdIRCUser* user, TIdIRCChannel* channel) {
  Record("OnPart", {Who(user), Where(channel)});
}
void RecordingIrcEvents::OnKick(TIdIRCUser* kicker, TIdIRCUser* victim, TIdIRCChannel* channel) {
  Record("OnKick", {Who(kicker), Who(victim), Where(channel)});
}

// The bot's own leaving shows why the record says it left.
void RecordingIrcEvents::OnKicked(TIdIRCUser* kicker, TIdIRCChannel* channel) {
  Record("OnKicked",
         {Who(kicker), Where(channel), channel ? std::to_string(channel->CloseType) : kNone});
}
void RecordingIrcEvents::OnJoined(TIdIRCChannel* channel) {
  Record("OnJoined", {Where(channel)});
}
void RecordingIrcEvents::OnParted(TIdIRCChannel* channel) {
  Record("OnParted", {Where(channel), channel ? std::to_string(channel->CloseType) : kNone});
}
void RecordingIrcEvents::OnQuit(TIdIRCUser* user) {
  Record("OnQuit", {Who(user)});
}
void RecordingIrcEvents::OnNickChange(TIdIRCUser* user, const std::string& new_nick) {
  Record("OnNickChange", {Who(user), new_nick});
}
void RecordingIrcEvents::OnNickChanged(const std::string& old_nick) {
  Record("OnNickChanged", {old_nick});
}
void RecordingIrcEvents::OnNickRefused(const std::string& new_nick) {
  Record("OnNickRefused", {new_nick});
}
void RecordingIrcEvents::OnTopic(TIdIRCUser* user, TIdIRCChannel* channel,
                                 const std::string& channel_name, const std::string& topic) {
  Record("OnTopic", {Who(user), Where(channel), channel_name, topic});
}
void RecordingIrcEvents::OnNoTopic(TIdIRCChannel* channel, const std::string& content) {
  Record("OnNoTopic", {Where(channel), content});
}

// The user records by their number: the collection is the client's own.
void RecordingIrcEvents::OnNames(TIdIRCUsers* users, TIdIRCChannel* channel) {
  Record("OnNames", {users ? std::to_string(users->Count()) : kNone, Where(channel)});
}
void RecordingIrcEvents::OnInvite(TIdIRCUser* user, const std::string& channel) {
  Record("OnInvite", {Who(user), channel});
}
void RecordingIrcEvents::OnInviting(const std::string& nick, const std::string& channel) {
  Record("OnInviting", {nick, channel});
}
void RecordingIrcEvents::OnKill(TIdIRCUser* user, const std::string& victim,
                                const std::string& reason) {
  Record("OnKill", {Who(user), victim, reason});
}
void RecordingIrcEvents::OnAway(TIdIRCUser* user) {
  Record("OnAway", {Who(user)});
}
void RecordingIrcEvents::OnNowAway(const std::string& content) {
  Record("OnNowAway", {content});
}
void RecordingIrcEvents::OnUnAway(const std::string& content) {
  Record("OnUnAway", {content});
}
void RecordingIrcEvents::OnChannelUpdate(TIdIRCChannel* channel, TIdIRCChannelUpdateType type,
                                         TIdIRCUser* user, int info) {
  Record("OnChannelUpdate",
         {Where(channel), std::to_string(type), Who(user), std::to_string(info)});
}
void RecordingIrcEvents::OnOp(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) {
  Record("OnOp", {Who(user), Where(channel), Who(target)});
}
void RecordingIrcEvents::OnDeop(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) {
  Record("OnDeop", {Who(user), Where(channel), Who(target)});
}
void RecordingIrcEvents::OnVoice(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) {
  Record("OnVoice", {Who(user), Where(channel), Who(target)});
}
void RecordingIrcEvents::OnDevoice(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) {
  Record("OnDevoice", {Who(user), Where(channel), Who(target)});
}
void RecordingIrcEvents::OnBan(TIdIRCUser* user, TIdIRCChannel* channel,
                               const std::string& hostmask) {
  Record("OnBan", {Who(user), Where(channel), hostmask});
}
void RecordingIrcEvents::OnUnban(TIdIRCUser* user, TIdIRCChannel* channel,
                                 const std::string& hostmask) {
  Record("OnUnban", {Who(user), Where(channel), hostmask});
}
void RecordingIrcEvents::OnChannelMode(TIdIRCUser* user, TIdIRCChannel* channel,
                                       const std::string& channel_name, const std::string& modes) {
  Record("OnChannelMode", {Who(user), Where(channel), channel_name, modes});
}
void RecordingIrcEvents::OnUserMode(const std::string& modes) {
  Record("OnUserMode", {modes});
}
void RecordingIrcEvents::OnUserModeChanged() {
  Record("OnUserModeChanged");
}
void RecordingIrcEvents::OnSystem(TIdIRCUser* user, int code, const std::string& command,
                                  const std::string& content) {
  Record("OnSystem", {Who(user), std::to_string(code), command, content});
}
void RecordingIrcEvents::OnError(TIdIRCUser* user, const std::string& numeric,
                                 const std::string& error) {
  Record("OnError", {Who(user), numeric, error});
}
void RecordingIrcEvents::OnUnknownCommand(TIdIRCUser* user, const std::string& command,
                                          const std::string& content) {
  Record("OnUnknownCommand", {Who(user), command, content});
}
void RecordingIrcEvents::OnLinks(const std::string& mask, const std::string& server,
                                 const std::string& hop_count, const std::string& server_info) {
  Record("OnLinks", {mask, server, hop_count, server_info});
}
void RecordingIrcEvents::OnList(std::vector<std::string>& channels, int position, bool last) {
  Record("OnList",
         {std::to_string(channels.size()), std::to_string(position), last ? "last" : "more"});
}
void RecordingIrcEvents::OnServerFeatures() {
  Record("OnServerFeatures");
}
void RecordingIrcEvents::OnMonitorOnline(const std::vector<std::string>& nicks) {
  Record("OnMonitorOnline", nicks);
}
void RecordingIrcEvents::OnMonitorOffline(const std::vector<std::string>& nicks) {
  Record("OnMonitorOffline", nicks);
}
void RecordingIrcEvents::OnServerError(const std::string& text) {
  Record("OnServerError", {text});
}
void RecordingIrcEvents::OnStateChange() {
  Record("OnStateChange");
}
void RecordingIrcEvents::OnConnect() {
  Record("OnConnect");
}
void RecordingIrcEvents::OnDisconnect() {
  Record("OnDisconnect");
}
void RecordingIrcEvents::OnPingPong() {
  Record("OnPingPong");
}
void RecordingIrcEvents::OnNickFallback(int number, const std::string& refused,
                                        const std::string& next) {
  Record("OnNickFallback", {std::to_string(number), refused, next});
}
std::string RecordingIrcEvents::OnNicksInUse(const std::string& refused) {
  Record("OnNicksInUse", {refused});
  return next_nick;
}
void RecordingIrcEvents::OnJoinRefused(const std::string& channel, const std::string& text) {
  Record("OnJoinRefused", {channel, text});
}
void RecordingIrcEvents::OnSASLFailed(const std::string& reason) {
  Record("OnSASLFailed", {reason});
}
void RecordingIrcEvents::OnConnectFailed(const ConnectFailure& failure) {
  Record("OnConnectFailed",
         {failure.message, failure.reason, failure.permanent ? "permanent" : "passing"});
}
void RecordingIrcEvents::OnReceive(const std::string& line) {
  Record("OnReceive", {line});
}
void RecordingIrcEvents::OnRaw(TIdIRCUser* user, const std::string& command,
                               const std::string& content, bool& suppress) {
  Record("OnRaw", {Who(user), command, content});
  suppress = suppress_raw;
}
void RecordingIrcEvents::OnSend(const std::string& line) {
  Record("OnSend", {line});
}
void RecordingIrcEvents::OnSendQueueFull(const SendDrops& drops) {
  std::vector<std::string> fields;
  if (drops.ctcp_replies) fields.emplace_back("ctcp");
  fields.insert(fields.end(), drops.requesters.begin(), drops.requesters.end());
  if (drops.own_lines) fields.emplace_back("own");
  Record("OnSendQueueFull", std::move(fields));
}
void RecordingIrcEvents::OnReadError(const std::string& message) {
  Record("OnReadError", {message});
}

}  // namespace zelmo::testing
