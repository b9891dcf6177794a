#include "irc/session/irc_client.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "irc/protocol/ctcp.h"
#include "irc/protocol/irc_commands.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_read_thread.h"
#include "irc/session/irc_send_thread.h"
#include "irc/transport/connect_attempt.h"
#include "irc/transport/tls_link.h"
#include "irc/transport/transport_errors.h"

namespace zelmo {

namespace {

constexpr int kWriteLimitWithoutKeepaliveMs = 60000;

// A write may wait as long as the keepalive waits for a byte before its PING.
int WriteLimitMs(int ping_interval_s) {
  if (ping_interval_s <= 0) return kWriteLimitWithoutKeepaliveMs;
  return std::min(ping_interval_s, std::numeric_limits<int>::max() / 1000) * 1000;
}

}  // namespace

TIdIRC::TIdIRC() : Channels(this) {
  Port = DefaultNumber(config::kPort);
}

TIdIRC::~TIdIRC() {
  Stop();
}

void TIdIRC::Stop() {
  attempt_.reset();
  RetireReader();
  RetireSender();
  CloseLink();
  JoinRetiredReaders();
}

void TIdIRC::SetUiPoster(Poster post) {
  post_ = std::move(post);
}

void TIdIRC::SetEvents(IrcEvents& events) {
  events_ = &events;
  SetLinkEvents(events);
}

std::string TIdIRC::Nick() {
  return IsLinkUp() ? CurrentNick : nick_;
}

void TIdIRC::SetNick(const std::string& nick) {
  if (IsLinkUp()) {
    Raw(outgoing::Nick(nick));
  } else if (nick != nick_) {
    nick_ = nick;
  }
}

void TIdIRC::SetUserMode(TIdIRCUserModes modes) {
  if (!IsLinkUp()) user_mode_ = modes;
}

void TIdIRC::SetState(SessionState state) {
  if (state_ == state) return;
  state_ = state;
  events_->OnStateChange();
}

// --- Connecting ----------------------------------------------------------

void TIdIRC::Connect() {
  if (IsLinkUp() || attempt_) Disconnect(true);
  ++connect_count_;
  // Every earlier reader has been told to stop and its link is closed, so
  // it ends at once; none may live on to read from the new link.
  RetireReader();
  RetireSender();
  JoinRetiredReaders();
  Channels.Clear();
  Users.Clear();
  own_user_ = Users.AddRef(nick_, "");
  CurrentNick = nick_;
  Features.Clear();
  relay_address_.reset();
  sasl_.reset();
  caps_.reset();
  pending_joins_.clear();
  whox_due_.clear();
  accounts_.clear();
  lookups_.clear();
  bound_notes_ = {};
  // With capabilities asked for, the SASL login starts once sasl is
  // acknowledged among them.
  if (RequestsCapabilities) {
    caps_.emplace(WantsSasl());
  } else if (WantsSasl()) {
    sasl_.emplace(SASLMechanism, SASLUser, SASLPassword);
  }
  link_security_.reset();
  link_verified_ = !Tls.Unverified();
  SetState(stConnecting);
  if (!post_) {
    // Without a user-interface thread to come back to, the caller waits.
    Open(ConnectSocket(Target(), -1));
    Register(BoundIP.empty() ? LocalAddress() : BoundIP);
    return;
  }
  StartAttempt();
}

void TIdIRC::StartAttempt() {
  const unsigned connect = connect_count_;
  std::weak_ptr<char> alive = alive_;
  attempt_ = std::make_unique<TIdConnectAttempt>(
      Target(), [this, alive, connect, post = post_](TIdConnectAttempt::Outcome outcome) {
        post([this, alive, connect, outcome = std::move(outcome)]() mutable {
          if (!alive.expired()) AttemptEnded(connect, std::move(outcome));
        });
      });
}

void TIdIRC::AttemptEnded(unsigned connect, TIdConnectAttempt::Outcome outcome) {
  // A newer Connect, a Disconnect or Stop has dropped this attempt.
  if (connect != connect_count_ || !attempt_) return;
  attempt_.reset();
  try {
    if (outcome.error) std::rethrow_exception(outcome.error);
    Open(std::move(outcome.handler));
  } catch (...) {
    ReportConnectFailed(DescribeConnectFailure(std::current_exception()));
    return;
  }
  try {
    Register(BoundIP.empty() ? outcome.local_address : BoundIP);
  } catch (const EIdException&) {
    // The link went down while the registration went out: its loss is told
    // as any loss of an open link is.
    CloseLink();
  }
}

ConnectFailure DescribeConnectFailure(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EIdTLSError& tls) {
    return {tls.what(), tls.what(), tls.Permanent()};
  } catch (const EIdSocketError& socket) {
    return {socket.what(), SocketErrorReason(socket.LastError()), false};
  } catch (const std::exception& other) {
    return {other.what(), other.what(), false};
  }
}

void TIdIRC::ReportConnectFailed(const ConnectFailure& failure) {
  events_->OnConnectFailed(failure);
}

void TIdIRC::CancelConnect() {
  if (!attempt_) return;
  attempt_.reset();
  SetState(stDisconnected);
}

void TIdIRC::Open(std::shared_ptr<TIdIOHandlerSocket> handler) {
  if (const TlsLink* tls = handler->Tls()) {
    link_security_ = LinkSecurity{tls->PeerSubject(), tls->Protocol(), link_verified_};
  }
  OpenOn(std::move(handler));
}

// The link is open: its sender, its reader and the registration lines.
void TIdIRC::Register(std::string local) {
  sender_ = std::make_unique<TIdIRCSendThread>(
      *this, SendSettings{SendBurst, SendInterval, PingInterval, WriteLimitMs(PingInterval)});
  SetState(stLoggingOn);
  try {
    events_->OnConnect();
    if (IsLinkUp()) StartReader();
    if (std::string v6 = LinkIPv6Address(); !v6.empty()) local = v6;
    std::string server = ServerName.empty() ? local : ServerName;
    // The server holds the registration back until CAP END.
    if (caps_) {
      Raw(CapabilityNegotiation::Opening());
    } else if (sasl_) {
      Raw(SaslExchange::Opening());
    }
    if (!Password.empty()) Raw(outgoing::Pass(Password));
    Raw(outgoing::Nick(nick_));
    Raw(outgoing::User(Username, local, server, RealName));
  } catch (const EIdSocketError&) {
    throw EIdException("IRC Connect Failed");
  }
}

void TIdIRC::Disconnect(bool force) {
  if (state_ != stConnected && !force) return;
  attempt_.reset();
  if (own_user_) {
    Users.Release(own_user_);
    own_user_.reset();
  }
  unsigned connects = connect_count_;
  SetState(stDisconnecting);
  events_->OnDisconnect();
  RetireReader();
  RetireSender();
  CloseLink();
  // A handler of the disconnect notice may have connected anew meanwhile;
  // that connection keeps its own state.
  if (connects == connect_count_) SetState(stDisconnected);
}

void TIdIRC::StartReader() {
  if (reader_) RetireReader();
  reader_ = std::make_unique<TIdIRCReadThread>(*this, post_);
}

// The reader may be waiting for the very line being handled now, so it is
// only told to stop here; it is joined once it has ended.
void TIdIRC::RetireReader() {
  if (!reader_) return;
  reader_->Terminate();
  retired_readers_.push_back(std::move(reader_));
}

// Queued lines belong to the link they were sent on: they go with it.
void TIdIRC::RetireSender() {
  if (!sender_) return;
  sender_->Terminate();
  retired_senders_.push_back(std::move(sender_));
}

// Each retired reader was told to stop and its link is closed, so it ends
// at once; destroying it joins its thread.
void TIdIRC::JoinRetiredReaders() {
  retired_readers_.clear();
  retired_senders_.clear();
}

// --- Sending -------------------------------------------------------------

void TIdIRC::Raw(const std::string& line, SendKind kind) {
  if (!IsLinkUp()) {
    events_->OnError(nullptr, "", "Not connected to server.");
    return;
  }
  for (const std::string& fitted : Fitted(line)) {
    Submit(fitted, kind);
    events_->OnSend(fitted);
  }
}

std::vector<std::string> TIdIRC::Fitted(const std::string& line) const {
  std::string text = SanitizeOutgoingLine(line);
  if (UTF8Only || Features.Value("UTF8ONLY")) text = AsUtf8(std::move(text));
  return FitLine(text, RelayPrefix());
}

std::size_t TIdIRC::MessageCount(const std::string& target, const std::string& text) const {
  return Fitted(outgoing::Say(target, text)).size();
}

void TIdIRC::Submit(const std::string& line, SendKind kind) {
  if (!sender_) {
    SendLine(line);
    return;
  }
  const SendDrops drops = sender_->Submit(line, kind, requester_);
  if (drops) events_->OnSendQueueFull(drops);
}

void TIdIRC::DelaySending(int milliseconds) {
  if (sender_) sender_->Delay(milliseconds, requester_);
}

TIdIRC::RequesterScope::RequesterScope(TIdIRC& irc, const TIdIRCUser& user)
    : irc_(irc),
      previous_(std::exchange(irc.requester_, RequesterKey(user.Nick(), user.Address))) {}

TIdIRC::RequesterScope::RequesterScope(TIdIRC& irc, std::string key)
    : irc_(irc), previous_(std::exchange(irc.requester_, std::move(key))) {}

std::size_t TIdIRC::QueuedLines(const std::string& requester) const {
  return sender_ ? sender_->QueuedLines(requester) : 0;
}

TIdIRC::RequesterScope::~RequesterScope() {
  irc_.requester_ = std::move(previous_);
}

std::string TIdIRC::RequesterKey(const std::string& nick, const std::string& address) {
  const std::size_t at = address.rfind('@');
  if (at == std::string::npos || at + 1 == address.size()) return nick;
  return address.substr(at + 1);
}

void TIdIRC::LoseLink(const Link& link, const std::string& reason) {
  if (!link.handler || !link.handler->Connected()) return;
  {
    std::lock_guard lock(loss_mutex_);
    if (!loss_reason_) loss_reason_ = reason;
  }
  CloseLink(link);
}

std::optional<std::string> TIdIRC::TakeLinkLossReason() {
  std::lock_guard lock(loss_mutex_);
  return std::exchange(loss_reason_, std::nullopt);
}

std::size_t TIdIRC::RelayPrefix() const {
  if (!relay_address_) return kAssumedRelayPrefix;
  return 1 + CurrentNick.size() + *relay_address_ + 1;
}

void TIdIRC::Say(const std::string& target, const std::string& text) {
  Raw(outgoing::Say(target, text));
}

void TIdIRC::Notice(const std::string& target, const std::string& text) {
  Raw(outgoing::Notice(target, text));
}

void TIdIRC::CTCPReply(const std::string& target, const std::string& command,
                       const std::string& args) {
  Raw(outgoing::CTCPReply(target, command, args), SendKind::CtcpReply);
}

void TIdIRC::Join(const std::string& channel, const std::string& key) {
  if (IsLinkUp()) NoteJoinSent(channel);
  Raw(outgoing::Join(channel, key));
}

void TIdIRC::Part(const std::string& channel, const std::string& reason) {
  Raw(outgoing::Part(channel, reason));
}

void TIdIRC::Kick(const std::string& channel, const std::string& nick, const std::string& reason) {
  Raw(outgoing::Kick(channel, nick, reason), SendKind::Priority);
}

void TIdIRC::Quit(const std::string& message) {
  Raw(outgoing::Quit(message));
}

void TIdIRC::QuitAtOnce(const std::string& message) {
  Raw(outgoing::Quit(message), SendKind::Immediate);
}

void TIdIRC::Mode(const std::string& target, const std::string& modes,
                  const std::string& parameters) {
  Raw(outgoing::Mode(target, modes, parameters), SendKind::Priority);
}

void TIdIRC::Monitor(const std::string& nick) {
  Raw(outgoing::Monitor(nick));
}

void TIdIRC::Unmonitor(const std::string& nick) {
  Raw(outgoing::Unmonitor(nick));
}

// --- Reporting -----------------------------------------------------------

void TIdIRC::ReportReadError(const std::string& what, const std::string& message) {
  events_->OnReadError(what + message);
}

void TIdIRC::ReportBound(bool& reported, const std::string& text) {
  if (reported) return;
  reported = true;
  events_->OnReadError(text);
}

void TIdIRC::ReportMembersBound() {
  ReportBound(bound_notes_.members, "Too many channel members: not keeping track of more than " +
                                        std::to_string(kMaxMembers) + " names or " +
                                        std::to_string(kMaxMemberNickBytes) + " bytes of nicks");
}

}  // namespace zelmo
