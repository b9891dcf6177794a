#pragma once

#include <optional>
#include <string>
#include <vector>

#include "irc/session/irc_channel.h"
#include "irc/transport/link_events.h"

namespace zelmo {

class TIdIRCUser;
class TIdIRCUsers;
struct SendDrops;
struct ConnectFailure;

// Everything an IRC client tells its owner, one method per event. Every
// method does nothing unless overridden, so a listener overrides only what
// it needs. The client raises them on the user-interface thread while it
// handles a line or an operation; only the transport's OnDisconnected comes
// from other threads (link_events.h). Records passed in are valid while the
// event lasts; a missing one is null.
class IrcEvents : public LinkEvents {
 public:
  // --- Messages ------------------------------------------------------------
  // PRIVMSG, NOTICE and a CTCP ACTION; the channel is null for one sent to
  // the bot or to a channel it holds no record of.
  virtual void OnMessage(TIdIRCUser*, TIdIRCChannel*, const std::string& /*content*/) {}
  virtual void OnNotice(TIdIRCUser*, TIdIRCChannel*, const std::string& /*content*/) {}
  virtual void OnAction(TIdIRCUser*, TIdIRCChannel*, const std::string& /*content*/) {}
  // A CTCP query; setting `suppress` keeps the automatic answer back.
  virtual void OnCTCPQuery(TIdIRCUser*, TIdIRCChannel*, const std::string& /*command*/,
                           const std::string& /*args*/, bool& /*suppress*/) {}
  virtual void OnCTCPReply(TIdIRCUser*, TIdIRCChannel*, const std::string& /*command*/,
                           const std::string& /*args*/) {}
  virtual void OnDCCChat(const std::string& /*nick*/, const std::string& /*ip*/,
                         const std::string& /*port*/) {}
  virtual void OnDCCSend(const std::string& /*nick*/, const std::string& /*ip*/,
                         const std::string& /*port*/, const std::string& /*file_name*/,
                         const std::string& /*file_size*/) {}
  virtual void OnDCCResume(const std::string& /*nick*/, const std::string& /*port*/,
                           const std::string& /*file_name*/, const std::string& /*position*/) {}
  virtual void OnDCCAccept(const std::string& /*nick*/, const std::string& /*port*/,
                           const std::string& /*file_name*/, const std::string& /*position*/) {}
  virtual void OnWallops(TIdIRCUser*, const std::string& /*content*/) {}

  // --- Channels and people ---------------------------------------------------
  // Another user joined, left, or was kicked; the bot itself was kicked.
  virtual void OnJoin(TIdIRCUser*, TIdIRCChannel*) {}
  virtual void OnPart(TIdIRCUser*, TIdIRCChannel*) {}
  virtual void OnKick(TIdIRCUser* /*kicker*/, TIdIRCUser* /*victim*/, TIdIRCChannel*) {}
  virtual void OnKicked(TIdIRCUser* /*kicker*/, TIdIRCChannel*) {}
  // The bot's own JOIN and PART.
  virtual void OnJoined(TIdIRCChannel*) {}
  virtual void OnParted(TIdIRCChannel*) {}
  virtual void OnQuit(TIdIRCUser*) {}
  // Another user's nick change (the record still has the old nick).
  virtual void OnNickChange(TIdIRCUser*, const std::string& /*new_nick*/) {}
  // The bot's own nick changed, as the server confirmed.
  virtual void OnNickChanged(const std::string& /*old_nick*/) {}
  // The server named a nick for the bot that it does not take: empty, or
  // no valid nick for this server.
  virtual void OnNickRefused(const std::string& /*new_nick*/) {}
  virtual void OnTopic(TIdIRCUser*, TIdIRCChannel*, const std::string& /*channel_name*/,
                       const std::string& /*topic*/) {}
  virtual void OnNoTopic(TIdIRCChannel*, const std::string& /*content*/) {}
  virtual void OnNames(TIdIRCUsers*, TIdIRCChannel*) {}
  virtual void OnInvite(TIdIRCUser*, const std::string& /*channel*/) {}
  virtual void OnInviting(const std::string& /*nick*/, const std::string& /*channel*/) {}
  virtual void OnKill(TIdIRCUser*, const std::string& /*victim*/, const std::string& /*reason*/) {}
  virtual void OnAway(TIdIRCUser*) {}
  // The server told a user's services account, or that there is none, and
  // it differs from what the record held (`previous`: none when none).
  virtual void OnAccountChanged(TIdIRCUser*, const std::optional<std::string>& /*previous*/) {}
  // CHGHOST: the user's address changed (the record holds the new one).
  virtual void OnHostChanged(TIdIRCUser*, const std::string& /*old_address*/) {}
  // An account lookup (TIdIRC::LookUpAccount) ended: the record, at the
  // address the lookup was for, holds the account the server told, or none
  // (not logged in, another person's nick by now, or no answer in time).
  virtual void OnAccountLookedUp(TIdIRCUser*) {}
  virtual void OnNowAway(const std::string& /*content*/) {}
  virtual void OnUnAway(const std::string& /*content*/) {}
  // A channel record changed (topic, modes, members); see irc_channel.h.
  virtual void OnChannelUpdate(TIdIRCChannel*, TIdIRCChannelUpdateType, TIdIRCUser*, int /*info*/) {
  }

  // --- Modes ---------------------------------------------------------------
  // The setter, the channel and the member's record, null when the client
  // holds none for that nick.
  virtual void OnOp(TIdIRCUser*, TIdIRCChannel*, TIdIRCUser* /*target*/) {}
  virtual void OnDeop(TIdIRCUser*, TIdIRCChannel*, TIdIRCUser* /*target*/) {}
  virtual void OnVoice(TIdIRCUser*, TIdIRCChannel*, TIdIRCUser* /*target*/) {}
  virtual void OnDevoice(TIdIRCUser*, TIdIRCChannel*, TIdIRCUser* /*target*/) {}
  virtual void OnBan(TIdIRCUser*, TIdIRCChannel*, const std::string& /*hostmask*/) {}
  virtual void OnUnban(TIdIRCUser*, TIdIRCChannel*, const std::string& /*hostmask*/) {}
  virtual void OnChannelMode(TIdIRCUser*, TIdIRCChannel*, const std::string& /*channel_name*/,
                             const std::string& /*modes*/) {}
  virtual void OnUserMode(const std::string& /*modes*/) {}
  virtual void OnUserModeChanged() {}

  // --- Server replies ----------------------------------------------------------
  // A reply that is only shown: its number, the word it is shown under, its
  // text.
  virtual void OnSystem(TIdIRCUser*, int /*code*/, const std::string& /*command*/,
                        const std::string& /*content*/) {}
  // An error reply (401 to 502), or a line sent while not connected.
  virtual void OnError(TIdIRCUser*, const std::string& /*numeric*/, const std::string& /*error*/) {}
  virtual void OnUnknownCommand(TIdIRCUser*, const std::string& /*command*/,
                                const std::string& /*content*/) {}
  virtual void OnLinks(const std::string& /*mask*/, const std::string& /*server*/,
                       const std::string& /*hop_count*/, const std::string& /*server_info*/) {}
  // LIST replies are gathered for OnList only for a listener that asks for
  // them: a network's list is long, and gathering it costs memory.
  virtual bool CollectsList() const { return false; }
  // The list so far, from `position` on, in pieces of 40; `last` at its end.
  virtual void OnList(std::vector<std::string>& /*channels*/, int /*position*/, bool /*last*/) {}
  // A 005 line has been taken into the client's Features.
  virtual void OnServerFeatures() {}
  // MONITOR: watched nicks that came online or went offline.
  virtual void OnMonitorOnline(const std::vector<std::string>& /*nicks*/) {}
  virtual void OnMonitorOffline(const std::vector<std::string>& /*nicks*/) {}
  // The server's ERROR line (it closes the link next), with its text.
  virtual void OnServerError(const std::string& /*text*/) {}

  // --- Session -------------------------------------------------------------
  virtual void OnStateChange() {}
  // Registration begins on a link just opened; the session ends.
  virtual void OnConnect() {}
  virtual void OnDisconnect() {}
  // A PING was answered.
  virtual void OnPingPong() {}
  // During registration the server refused a nick (the numeric, the nick)
  // and the bot tries the next one, empty when none is left.
  virtual void OnNickFallback(int /*number*/, const std::string& /*refused*/,
                              const std::string& /*next*/) {}
  // Both the nick and the alternative were refused: the nick to try next,
  // empty to give up (the link is closed then).
  virtual std::string OnNicksInUse(const std::string& /*refused*/) { return {}; }
  // The server refused a JOIN the bot sent: the channel and the server's
  // text.
  virtual void OnJoinRefused(const std::string& /*channel*/, const std::string& /*text*/) {}
  // The SASL login failed or the server offers none (the text says which);
  // the link is closed right after.
  virtual void OnSASLFailed(const std::string& /*reason*/) {}
  // A connect started by Connect failed.
  virtual void OnConnectFailed(const ConnectFailure&) {}

  // --- Lines ---------------------------------------------------------------
  virtual void OnReceive(const std::string& /*line*/) {}
  // Every line as received, before anything else; setting `suppress` drops
  // it there.
  virtual void OnRaw(TIdIRCUser*, const std::string& /*command*/, const std::string& /*content*/,
                     bool& /*suppress*/) {}
  // A line as it went to the wire or into the send queue.
  virtual void OnSend(const std::string& /*line*/) {}
  // The send queue was full and lines were dropped (the oldest CTCP replies
  // first, then the replies to whoever had the most queued, then the bot's
  // own); told once for each of them until the queue has emptied again.
  virtual void OnSendQueueFull(const SendDrops&) {}
  // A failure while a line was read or handled (an overlong line, an error
  // raised by a listener), or a bound on what the client keeps of the
  // server's lines reached (peer_bounds.h); the reader goes on with the
  // next line.
  virtual void OnReadError(const std::string& /*message*/) {}
};

}  // namespace zelmo
