#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "irc/protocol/capability_negotiation.h"
#include "irc/protocol/incoming_messages.h"
#include "irc/protocol/irc_line.h"
#include "irc/protocol/line_fit.h"
#include "irc/protocol/message_tags.h"
#include "irc/protocol/mode_changes.h"
#include "irc/protocol/sasl_exchange.h"
#include "irc/protocol/send_pacing.h"
#include "irc/protocol/server_features.h"
#include "irc/session/channel_command_sink.h"
#include "irc/session/irc_channels.h"
#include "irc/session/irc_events.h"
#include "irc/session/irc_users.h"
#include "irc/transport/connect_attempt.h"
#include "irc/transport/tcp_connection.h"
#include "shell/base/config_keys.h"

namespace zelmo {

class TIdIRCReadThread;
class TIdIRCSendThread;

enum SessionState {
  stDisconnecting = 0,
  stDisconnected = 1,
  stConnecting = 2,
  stLoggingOn = 3,
  stConnected = 4,
};

// Why a connect failed: the whole error text (as an error box shows it),
// the reason alone in plain words, and whether trying again could help.
struct ConnectFailure {
  std::string message;
  std::string reason;
  bool permanent = false;
};

// The failure a connect raised, described.
ConnectFailure DescribeConnectFailure(std::exception_ptr error);

// What secures the link: the server certificate's subject, the protocol
// and whether the certificate was checked (by its chain or a pin).
struct LinkSecurity {
  std::string subject;
  std::string protocol;
  bool verified = false;
};

// The texts of the automatic CTCP answers.
struct TIdIRCReplies {
  std::string Finger;
  std::string Version;
  std::string UserInfo;
  std::string ClientInfo;
};

// One connection to an IRC server: registration, the automatic answers
// (PING, CTCP), the channel and user records, and the events raised for each
// received line. Lines are read on a reader thread of its own and handled one
// at a time on the user-interface thread, which the reader waits for.
class TIdIRC : public TIdTCPClient, public ChannelCommandSink {
 public:
  using Poster = std::function<void(std::function<void()>)>;

  TIdIRC();
  ~TIdIRC() override;
  TIdIRC(const TIdIRC&) = delete;
  TIdIRC& operator=(const TIdIRC&) = delete;

  // How the reader thread reaches the user-interface thread: a function that
  // queues a task there (the UI port's PostToUiThread). Without one, lines
  // are handled on the reader thread itself (tests).
  void SetUiPoster(Poster post);
  // Who hears of the client's events, the transport's included; nobody
  // until set. Set it before connecting; it must outlive the client's
  // links (Stop ends them).
  void SetEvents(IrcEvents& events);

  // --- Configuration -----------------------------------------------------
  // The configured nick; reads the nick in use while the link is up. Writing
  // while connected sends "NICK %s" and changes nothing locally.
  std::string Nick();
  void SetNick(const std::string& nick);
  // The nick the bot registers with, whatever nick it has now.
  const std::string& ConfiguredNick() const { return nick_; }
  std::string AltNick = "OtherNick";
  std::string Username{config::kUsername.default_value};
  std::string RealName{config::kRealname.default_value};
  std::string Password;
  // A SASL login during registration: with a user, PLAIN (user and
  // password); EXTERNAL takes the client certificate instead. Without
  // either, registration is the plain NICK and USER.
  std::string SASLUser;
  std::string SASLPassword;
  std::string SASLMechanism{config::kSaslMechanism.default_value};
  // Registration opens with capability negotiation for account tracking,
  // host changes and multi-prefix (capability_negotiation.h), a SASL login
  // included. Off: no CAP unless SASL is configured, and then only sasl.
  bool RequestsCapabilities = false;
  // A PLAIN login over a link without TLS: the password crosses readable.
  bool SendsSaslPasswordInClear() const;
  // Every outgoing line that is not valid UTF-8 is taken as Latin-1 and
  // sent as UTF-8; also on while the server announces UTF8ONLY.
  bool UTF8Only = false;
  TIdIRCUserModes UserMode() const { return user_mode_; }
  void SetUserMode(TIdIRCUserModes modes);  // only while not connected
  TIdIRCReplies Replies;
  // The send queue, taken at each Connect: SendBurst lines at once, then
  // one every SendInterval milliseconds (0: at once, unqueued). PONG and
  // QuitAtOnce go ahead of the queue.
  int SendBurst = DefaultNumber(config::kSendBurst);
  int SendInterval = DefaultNumber(config::kSendInterval);
  // After PingInterval seconds without a byte from the server a PING goes
  // out; after as many again the link is closed as lost. 0: never. A write
  // that cannot go on for PingInterval seconds (60 without a keepalive)
  // loses the link too.
  int PingInterval = DefaultNumber(config::kPingInterval);
  // How long an account lookup (LookUpAccount) waits for the server's
  // answer; past it the lookup ends unanswered at the next line.
  std::chrono::milliseconds AccountLookupLimit = std::chrono::seconds(30);

  // --- Session state -----------------------------------------------------
  std::string CurrentNick;
  std::string ServerName;
  bool Away = false;
  SessionState ConnectionState() const { return state_; }
  TIdIRCChannels Channels;
  TIdIRCUsers Users;
  TIdIRCUser* OwnUser() const { return own_user_.get(); }
  // What the server's 005 lines announced on this connection.
  ServerFeatures Features;

  // The fields of the line being handled; valid during its events only.
  const ParsedLine& Line() const { return line_; }
  // The channel the line being handled names (JOIN, PART, KICK, MODE), for
  // an event about a channel the client holds no record of; valid during
  // the line's events only.
  const std::string& LineChannel() const { return line_channel_; }
  // The tags the bot reads from the line being handled; empty on a link
  // without a tag capability.
  const MessageTags& LineTags() const { return line_tags_; }
  // Whether the capability was negotiated on this link and is on now.
  bool CapabilityOn(std::string_view name) const { return caps_ && caps_->Enabled(name); }
  // Whether the server offers MONITOR (its 005 lines say so).
  bool OffersMonitor() const { return Features.Value("MONITOR").has_value(); }

  // Marks the lines sent while it lives as replies to one person: each
  // person's replies wait in a queue of their own, and the queues take
  // turns. A person is known by the host of their address, which a
  // flooder cannot change as freely as a nick or a user name; by the nick
  // when the address has no host.
  class RequesterScope {
   public:
    RequesterScope(TIdIRC& irc, const TIdIRCUser& user);
    // Lines for a requester that is no person (a script), by its key.
    RequesterScope(TIdIRC& irc, std::string key);
    ~RequesterScope();
    RequesterScope(const RequesterScope&) = delete;
    RequesterScope& operator=(const RequesterScope&) = delete;

   private:
    TIdIRC& irc_;
    std::string previous_;
  };
  static std::string RequesterKey(const std::string& nick, const std::string& address);
  // The lines of the requester (a RequesterScope's key) waiting to be sent;
  // 0 without a link.
  std::size_t QueuedLines(const std::string& requester) const;

  // Why the bot itself closed the link as lost (no answer to its PING, a
  // write that ran out of time), once; nothing for any other close.
  std::optional<std::string> TakeLinkLossReason();

  // The TLS of the current link; none on a plain link or none at all.
  const std::optional<LinkSecurity>& Security() const { return link_security_; }

  // --- Operations --------------------------------------------------------
  // Starts a connect: the name lookup, the TCP connect and the TLS
  // handshake run on a thread of their own, and the link is taken over,
  // registered and read on the user-interface thread when it is open;
  // OnConnectFailed tells a failure there. Without a UI poster (tests) the
  // caller waits and a failure raises.
  void Connect();
  // A connect under way, not yet open or failed.
  bool Connecting() const { return attempt_ != nullptr; }
  // Drops a connect under way; nothing is reported.
  void CancelConnect();
  void Disconnect(bool force);
  // Closes the link and waits for the reader thread to end. The owner calls
  // it before it goes, so no thread of the client outlives the handlers.
  void Stop();
  // Handles one received line; runs on the user-interface thread.
  void HandleLine(const std::string& line);

  // Every outgoing line goes through Raw. CR, LF and NUL in a line become
  // blanks, so no text can put a second command on the wire. A line that
  // would not fit in 512 bytes once the server puts the bot's own prefix in
  // front of it is split (PRIVMSG, NOTICE) or cut (any other) to fit.
  // Lines wait in the send queue as `kind` says; the OnSend of a queued
  // line is raised when it is queued.
  void Raw(const std::string& line, SendKind kind = SendKind::Paced);
  // Holds the lines sent after this call back for that long after the
  // lines before it; nobody waits.
  void DelaySending(int milliseconds);
  void Say(const std::string& target, const std::string& text);
  // How many messages Say sends for the text, as the line is fitted now.
  std::size_t MessageCount(const std::string& target, const std::string& text) const;
  void Notice(const std::string& target, const std::string& text);
  void CTCPReply(const std::string& target, const std::string& command, const std::string& args);
  void Join(const std::string& channel, const std::string& key);
  void Part(const std::string& channel, const std::string& reason);
  void Kick(const std::string& channel, const std::string& nick,
            const std::string& reason) override;
  void Quit(const std::string& message);
  // The QUIT of a closing program: written on this thread at once, ahead
  // of the lines still queued.
  void QuitAtOnce(const std::string& message);
  void Mode(const std::string& target, const std::string& modes,
            const std::string& parameters) override;
  // Asks the server to tell when the nick comes online or goes offline
  // (OnMonitorOnline, OnMonitorOffline), and to stop telling.
  void Monitor(const std::string& nick);
  void Unmonitor(const std::string& nick);
  // Asks the server for the services account of the nick (WHOIS), for the
  // person at `address` who used it just now. OnAccountLookedUp tells the
  // answer: at the reply's end, or unanswered once AccountLookupLimit has
  // passed or kMaxAccountLookups newer lookups wait. An account the reply
  // gives for another address is not that person's.
  void LookUpAccount(const std::string& nick, const std::string& address);

 private:
  friend class TIdIRCReadThread;
  friend class TIdIRCSendThread;

  void SetState(SessionState state);
  // An empty nick is nobody's: not even a server, whose lines carry none.
  bool IsMe(const std::string& nick) const { return !CurrentNick.empty() && nick == CurrentNick; }
  bool SenderIsMe() const { return IsMe(line_.SenderNick); }
  // The length of ":" + nick!user@host + " " that the server puts in front
  // of the bot's lines, once the server has shown it.
  std::size_t RelayPrefix() const;
  // HandleLine for the reader: an error is reported through OnReadError.
  void HandleLineReportingFailure(const std::string& line);
  // SASL.
  bool WantsSasl() const;
  // Feeds a line to the SASL exchange under way; true when the line is
  // its alone and needs no further handling.
  bool TakeSaslLine(const IncomingMessage& message);
  void SendSaslLines(const std::vector<std::string>& lines, SendKind kind);
  // Capabilities: the negotiation takes its CAP lines (true: handled), and
  // ends without capabilities on a server that registers without it.
  bool TakeCapabilityLine(const IncomingMessage& message);
  void FollowCapabilityStep(const CapabilityNegotiation::Step& step);
  void EndSaslStep(const SaslExchange::Step& step);
  // Cuts the tag part off a line when a tag capability is on.
  std::string_view ReadTags(std::string_view line);
  // Accounts and addresses of user records, as the server tells them.
  void NoteAccount(TIdIRCUser& user, std::optional<std::string> account);
  // The record of a line's sender holds the account known for its nick.
  void RecallAccount(TIdIRCUser& user) const;
  void RenameAccount(const std::string& old_nick, const std::string& new_nick);
  // Forgets the nick's account once no channel of the bot lists it.
  void ForgetAccountUnlessShared(const std::string& nick);
  void AskChannelAccounts(const std::string& channel);
  // A 354 answering the bot's WHOX query: true when it was one.
  bool TakeWhoxReply(int number);
  // A 352 (plain WHO) showing the prefixes of a member.
  void TakeWhoReply(int number);
  // With multi-prefix, a WHO reply's flags are all of the member's.
  void TakeMemberPrefixes(const std::string& channel, const std::string& nick,
                          std::string_view flags);
  // The address, account and end of the WHOIS replies the bot asked for.
  void TakeWhoisReply(int number);
  struct AccountLookup;
  void EndAccountLookup(const AccountLookup& lookup);
  // Ends the lookups whose time is up, unanswered.
  void ExpireAccountLookups();
  void ReportReadError(const std::string& what, const std::string& message);
  // Tells of a bound reached, once per connection for each flag.
  void ReportBound(bool& reported, const std::string& text);
  void ReportMembersBound();
  // The line as it goes on the wire: single, in UTF-8 when the server
  // wants it, and split or cut to fit.
  std::vector<std::string> Fitted(const std::string& line) const;
  // Writes or queues one line that is ready for the wire.
  void Submit(const std::string& line, SendKind kind);
  // Closes the link as lost, for the reason given (from any thread).
  void LoseLink(const Link& link, const std::string& reason);
  void StartAttempt();
  void AttemptEnded(unsigned connect, TIdConnectAttempt::Outcome outcome);
  void ReportConnectFailed(const ConnectFailure& failure);
  // Takes the connected handler as the link (OnConnected fires).
  void Open(std::shared_ptr<TIdIOHandlerSocket> handler);
  // Sender, reader and registration lines of a link just opened.
  void Register(std::string local_address);
  void StartReader();
  void RetireReader();
  void RetireSender();
  void JoinRetiredReaders();

  // What each received message does to the records and which events it
  // raises; `user` is the sender's record, held for the line. One overload
  // per message: commands in irc_receive.cpp, CTCP in irc_ctcp_handling.cpp,
  // modes in irc_modes.cpp, numeric replies in irc_numerics.cpp.
  void Receive(const incoming::Privmsg& message, TIdIRCUser* user);
  void Receive(const incoming::CtcpQuery& message, TIdIRCUser* user);
  void Receive(const incoming::Notice& message, TIdIRCUser* user);
  void Receive(const incoming::CtcpReply& message, TIdIRCUser* user);
  void Receive(const incoming::Join& message, TIdIRCUser* user);
  void Receive(const incoming::Part& message, TIdIRCUser* user);
  void Receive(const incoming::Kick& message, TIdIRCUser* user);
  void Receive(const incoming::Mode& message, TIdIRCUser* user);
  void Receive(const incoming::UserMode& message, TIdIRCUser* user);
  void Receive(const incoming::Nick& message, TIdIRCUser* user);
  void Receive(const incoming::Quit& message, TIdIRCUser* user);
  void Receive(const incoming::Topic& message, TIdIRCUser* user);
  void Receive(const incoming::Invite& message, TIdIRCUser* user);
  void Receive(const incoming::Kill& message, TIdIRCUser* user);
  void Receive(const incoming::Ping& message, TIdIRCUser* user);
  void Receive(const incoming::Wallops& message, TIdIRCUser* user);
  void Receive(const incoming::ServerError& message, TIdIRCUser* user);
  void Receive(const incoming::Cap& message, TIdIRCUser* user);
  void Receive(const incoming::Authenticate& message, TIdIRCUser* user);
  void Receive(const incoming::Account& message, TIdIRCUser* user);
  void Receive(const incoming::Chghost& message, TIdIRCUser* user);
  void Receive(const incoming::Away& message, TIdIRCUser* user);
  void Receive(const incoming::Unknown& message, TIdIRCUser* user);
  void Receive(const ShownReply& reply, TIdIRCUser* user);
  void Receive(const WelcomeReply& reply, TIdIRCUser* user);
  void Receive(const FeaturesReply& reply, TIdIRCUser* user);
  void Receive(const AwayReply& reply, TIdIRCUser* user);
  void Receive(const OwnAwayReply& reply, TIdIRCUser* user);
  void Receive(const ListStartReply& reply, TIdIRCUser* user);
  void Receive(const ListEntryReply& reply, TIdIRCUser* user);
  void Receive(const ListEndReply& reply, TIdIRCUser* user);
  void Receive(const ChannelModesReply& reply, TIdIRCUser* user);
  void Receive(const NoTopicReply& reply, TIdIRCUser* user);
  void Receive(const TopicReply& reply, TIdIRCUser* user);
  void Receive(const InvitingReply& reply, TIdIRCUser* user);
  void Receive(const NamesReply& reply, TIdIRCUser* user);
  void Receive(const LinksReply& reply, TIdIRCUser* user);
  void Receive(const NamesEndReply& reply, TIdIRCUser* user);
  void Receive(const MotdStartReply& reply, TIdIRCUser* user);
  void Receive(const ErrorReply& reply, TIdIRCUser* user);
  void Receive(const MonitorOnline& reply, TIdIRCUser* user);
  void Receive(const MonitorOffline& reply, TIdIRCUser* user);
  void Receive(const OtherReply& reply, TIdIRCUser* user);

  // The bot's own JOIN: a fresh channel record.
  void Joined(const std::string& name);
  // The line's command word or number as received, with its content.
  void RaiseUnknown(TIdIRCUser* user, const std::string& content);
  void NickFallback(int number);
  // The channels of JOINs sent and not yet answered, so that an error
  // reply about one of them is known as a refused JOIN.
  void NoteJoinSent(const std::string& channels);
  void NoteJoined(const std::string& channel);
  void NoteJoinRefusal(const ErrorReply& reply);

  // CTCP and DCC.
  void HandleDcc(const std::string& arguments);
  std::string CtcpReplyText(int word) const;

  // Modes.
  void ApplyChannelModes(const std::string& channel_name,
                         const std::vector<ChannelModeChange>& changes);
  void ApplyChannelModeChange(TIdIRCChannel& channel, TIdIRCUser* setter,
                              const ChannelModeChange& change);
  void ApplyMemberMode(TIdIRCChannel& channel, TIdIRCUser* setter, const ChannelModeChange& change);

  Poster post_;
  IrcEvents no_events_;
  IrcEvents* events_ = &no_events_;
  SessionState state_ = stDisconnected;
  TIdIRCUserModes user_mode_ = 0;
  std::string nick_{config::kNick.default_value};
  std::shared_ptr<TIdIRCUser> own_user_;
  ParsedLine line_;
  std::string line_channel_;
  std::vector<std::string> list_buffer_;
  int list_position_ = 0;
  // The length of "!user@host" in the bot's own prefix, once known; the
  // nick part follows CurrentNick.
  std::optional<std::size_t> relay_address_;
  std::optional<SaslExchange> sasl_;
  std::optional<CapabilityNegotiation> caps_;
  MessageTags line_tags_;
  // The accounts of the people in the bot's channels, by nick in lower
  // case, with the address the account was told for: the nick of someone
  // who left unseen may be someone else's by now. User records live for
  // one line only. At most kMaxHeldUsers.
  struct KnownAccount {
    std::string address;
    std::string account;
  };
  std::unordered_map<std::string, KnownAccount> accounts_;
  // The WHOIS queries for accounts, oldest first; at most kMaxAccountLookups.
  struct AccountLookup {
    std::string nick;
    std::string address;
    // What the reply told so far.
    std::string shown_address;
    std::optional<std::string> account;
    std::chrono::steady_clock::time_point deadline;
  };
  std::deque<AccountLookup> lookups_;
  std::vector<std::string> pending_joins_;
  // Channels joined whose members' accounts are asked for at the end of
  // their NAMES; at most one entry per channel record.
  std::vector<std::string> whox_due_;
  std::unique_ptr<TIdConnectAttempt> attempt_;
  // Connect results posted to the user-interface thread hold a weak copy,
  // so one that arrives after the client is gone does nothing.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
  std::optional<LinkSecurity> link_security_;
  bool link_verified_ = false;
  // The bounds already told of on this connection.
  struct BoundNotes {
    bool channels = false;
    bool members = false;
    bool features = false;
    bool list = false;
  } bound_notes_;
  std::unique_ptr<TIdIRCReadThread> reader_;
  std::vector<std::unique_ptr<TIdIRCReadThread>> retired_readers_;
  // Readers are joined before the senders they queue PINGs on.
  std::unique_ptr<TIdIRCSendThread> sender_;
  std::vector<std::unique_ptr<TIdIRCSendThread>> retired_senders_;
  // Whom the lines sent now answer; the user-interface thread's alone.
  std::string requester_;
  std::mutex loss_mutex_;
  std::optional<std::string> loss_reason_;
  // Counts Connect calls, so a Disconnect that a handler interrupts with a
  // new Connect does not mark the new connection disconnected.
  unsigned connect_count_ = 0;
};

}  // namespace zelmo
