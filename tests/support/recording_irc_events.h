#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "irc/session/irc_events.h"

namespace zelmo::testing {

// One event as a listener got it: its name and its arguments as texts. A
// user is shown by nick ("(server)" for the server's own lines), a channel
// by name, a missing record as "(none)".
struct RecordedEvent {
  std::string name;
  std::vector<std::string> fields;

  // The name and the fields, one blank apart: "OnJoin alice #room".
  std::string Text() const;
};

// Records every event of an IRC client and of its transport, in order, from
// whichever thread raises it. Used for an IRC client with SetEvents, for a
// bare transport with SetLinkEvents.
class RecordingIrcEvents : public IrcEvents {
 public:
  std::vector<RecordedEvent> Events() const;
  // The events' texts; with names, those of these events only.
  std::vector<std::string> Texts(std::initializer_list<std::string_view> names = {}) const;
  // The fields of each event of that name, one blank apart (the line of
  // OnSend, "bob (none) hi" of OnMessage).
  std::vector<std::string> Arguments(std::string_view name) const;
  // Field `index` of each event of that name.
  std::vector<std::string> Field(std::string_view name, std::size_t index) const;
  int Count(std::string_view name) const;
  // Waits until the event has been raised `count` times; false when the
  // limit passed first.
  bool WaitFor(std::string_view name, int count,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  void Clear();

  // Answers for the events that ask the listener something.
  bool suppress_raw = false;
  bool suppress_ctcp = false;
  bool collects_list = true;
  std::string next_nick;
  // Runs for each event on the thread that raised it, just before the event
  // is recorded; a test may throw from it to see how the client takes a
  // failing listener (the event is recorded all the same).
  std::function<void(const RecordedEvent&)> then;

  void OnConnected() override;
  void OnDisconnected() override;
  void OnMessage(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& content) override;
  void OnNotice(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& content) override;
  void OnAction(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& content) override;
  void OnCTCPQuery(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& command,
                   const std::string& args, bool& suppress) override;
  void OnCTCPReply(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& command,
                   const std::string& args) override;
  void OnDCCChat(const std::string& nick, const std::string& ip, const std::string& port) override;
  void OnDCCSend(const std::string& nick, const std::string& ip, const std::string& port,
                 const std::string& file_name, const std::string& file_size) override;
  void OnDCCResume(const std::string& nick, const std::string& port, const std::string& file_name,
                   const std::string& position) override;
  void OnDCCAccept(const std::string& nick, const std::string& port, const std::string& file_name,
                   const std::string& position) override;
  void OnWallops(TIdIRCUser* user, const std::string& content) override;
  void OnJoin(TIdIRCUser* user, TIdIRCChannel* channel) override;
  // "OnAccountChanged alice old new", "*" for none.
  void OnAccountChanged(TIdIRCUser* user, const std::optional<std::string>& previous) override;
  void OnHostChanged(TIdIRCUser* user, const std::string& old_address) override;
  // "OnAccountLookedUp alice a@h alice_acct", "*" for none.
  void OnAccountLookedUp(TIdIRCUser* user) override;
  void OnPart(TIdIRCUser* user, TIdIRCChannel* channel) override;
  void OnKick(TIdIRCUser* kicker, TIdIRCUser* victim, TIdIRCChannel* channel) override;
  void OnKicked(TIdIRCUser* kicker, TIdIRCChannel* channel) override;
  void OnJoined(TIdIRCChannel* channel) override;
  void OnParted(TIdIRCChannel* channel) override;
  void OnQuit(TIdIRCUser* user) override;
  void OnNickChange(TIdIRCUser* user, const std::string& new_nick) override;
  void OnNickChanged(const std::string& old_nick) override;
  void OnNickRefused(const std::string& new_nick) override;
  void OnTopic(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& channel_name,
               const std::string& topic) override;
  void OnNoTopic(TIdIRCChannel* channel, const std::string& content) override;
  void OnNames(TIdIRCUsers* users, TIdIRCChannel* channel) override;
  void OnInvite(TIdIRCUser* user, const std::string& channel) override;
  void OnInviting(const std::string& nick, const std::string& channel) override;
  void OnKill(TIdIRCUser* user, const std::string& victim, const std::string& reason) override;
  void OnAway(TIdIRCUser* user) override;
  void OnNowAway(const std::string& content) override;
  void OnUnAway(const std::string& content) override;
  void OnChannelUpdate(TIdIRCChannel* channel, TIdIRCChannelUpdateType type, TIdIRCUser* user,
                       int info) override;
  void OnOp(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) override;
  void OnDeop(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) override;
  void OnVoice(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) override;
  void OnDevoice(TIdIRCUser* user, TIdIRCChannel* channel, TIdIRCUser* target) override;
  void OnBan(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& hostmask) override;
  void OnUnban(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& hostmask) override;
  void OnChannelMode(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& channel_name,
                     const std::string& modes) override;
  void OnUserMode(const std::string& modes) override;
  void OnUserModeChanged() override;
  void OnSystem(TIdIRCUser* user, int code, const std::string& command,
                const std::string& content) override;
  void OnError(TIdIRCUser* user, const std::string& numeric, const std::string& error) override;
  void OnUnknownCommand(TIdIRCUser* user, const std::string& command,
                        const std::string& content) override;
  void OnLinks(const std::string& mask, const std::string& server, const std::string& hop_count,
               const std::string& server_info) override;
  bool CollectsList() const override { return collects_list; }
  void OnList(std::vector<std::string>& channels, int position, bool last) override;
  void OnServerFeatures() override;
  void OnMonitorOnline(const std::vector<std::string>& nicks) override;
  void OnMonitorOffline(const std::vector<std::string>& nicks) override;
  void OnServerError(const std::string& text) override;
  void OnStateChange() override;
  void OnConnect() override;
  void OnDisconnect() override;
  void OnPingPong() override;
  void OnNickFallback(int number, const std::string& refused, const std::string& next) override;
  std::string OnNicksInUse(const std::string& refused) override;
  void OnJoinRefused(const std::string& channel, const std::string& text) override;
  void OnSASLFailed(const std::string& reason) override;
  void OnConnectFailed(const ConnectFailure& failure) override;
  void OnReceive(const std::string& line) override;
  void OnRaw(TIdIRCUser* user, const std::string& command, const std::string& content,
             bool& suppress) override;
  void OnSend(const std::string& line) override;
  void OnSendQueueFull(const SendDrops& drops) override;
  void OnReadError(const std::string& message) override;

 private:
  void Record(std::string name, std::vector<std::string> fields = {});

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<RecordedEvent> events_;
};

}  // namespace zelmo::testing
