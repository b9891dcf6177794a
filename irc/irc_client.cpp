#include "irc/irc_client.h"

#include "irc/ctcp.h"
#include "irc/irc_commands.h"
#include "irc/irc_read_thread.h"
#include "irc/irc_send_thread.h"
#include "irc/peer_bounds.h"
#include "irc/transport_errors.h"

namespace zelmo {

TIdIRC::TIdIRC() : Channels(this) {
  Port = 6667;
}

TIdIRC::~TIdIRC() {
  Stop();
}

void TIdIRC::Stop() {
  RetireReader();
  RetireSender();
  CloseLink();
  JoinRetiredReaders();
}

void TIdIRC::SetUiPoster(Poster post) {
  post_ = std::move(post);
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
  if (OnStateChange) OnStateChange();
}

// --- Connecting ----------------------------------------------------------

void TIdIRC::Connect() {
  if (IsLinkUp()) Disconnect(true);
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
  pending_joins_.clear();
  bound_notes_ = {};
  if (WantsSasl()) sasl_.emplace(SASLMechanism, SASLUser, SASLPassword);
  SetState(stConnecting);
  OpenLink(-1);
  sender_ = std::make_unique<TIdIRCSendThread>(*this,
                                               SendSettings{SendBurst, SendInterval, PingInterval});
  SetState(stLoggingOn);
  try {
    if (OnConnect) OnConnect();
    if (IsLinkUp()) StartReader();
    std::string local = LinkIPv6Address();
    if (local.empty()) local = BoundIP.empty() ? LocalAddress() : BoundIP;
    std::string server = ServerName.empty() ? local : ServerName;
    // The server holds the registration back until CAP END.
    if (sasl_) Raw(SaslExchange::Opening());
    if (!Password.empty()) Raw(outgoing::Pass(Password));
    Raw(outgoing::Nick(nick_));
    Raw(outgoing::User(Username, local, server, RealName));
  } catch (const EIdSocketError&) {
    throw EIdException("IRC Connect Failed");
  }
}

void TIdIRC::Disconnect(bool force) {
  if (state_ != stConnected && !force) return;
  if (own_user_) {
    Users.Release(own_user_);
    own_user_.reset();
  }
  unsigned connects = connect_count_;
  SetState(stDisconnecting);
  if (OnDisconnect) OnDisconnect();
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
    if (OnError) OnError(nullptr, "", "Not connected to server.");
    return;
  }
  for (const std::string& fitted : Fitted(line)) {
    Submit(fitted, kind);
    if (OnSend) OnSend(fitted);
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
  if (sender_->Submit(line, kind) && OnSendQueueFull) OnSendQueueFull();
}

void TIdIRC::DelaySending(int milliseconds) {
  if (sender_) sender_->Delay(milliseconds);
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
  Raw(outgoing::Kick(channel, nick, reason));
}

void TIdIRC::Quit(const std::string& message) {
  Raw(outgoing::Quit(message));
}

void TIdIRC::QuitAtOnce(const std::string& message) {
  Raw(outgoing::Quit(message), SendKind::Immediate);
}

void TIdIRC::Mode(const std::string& target, const std::string& modes,
                  const std::string& parameters) {
  Raw(outgoing::Mode(target, modes, parameters));
}

// --- Receiving -----------------------------------------------------------

void TIdIRC::HandleLine(const std::string& line) {
  if (state_ == stDisconnected || line.empty()) return;
  if (OnReceive) OnReceive(line);
  SplitLine(line, line_);
  UserHold user(Users, line_.SenderNick, line_.SenderAddress);
  bool suppress = false;
  if (OnRaw) {
    OnRaw(user.get(), line_.CommandText, line_.LineContent, suppress);
    if (suppress) return;
  }
  const auto number = ReplyNumber(line_.CommandText);
  if (sasl_ && TakeSaslLine(number)) return;
  if (number) {
    HandleNumeric(*number, user.get());
  } else {
    HandleCommand(user.get());
  }
}

void TIdIRC::HandleLineReportingFailure(const std::string& line) {
  try {
    HandleLine(line);
  } catch (const std::exception& error) {
    ReportReadError("Error while handling a server line: ", error.what());
  }
}

void TIdIRC::ReportReadError(const std::string& what, const std::string& message) {
  if (OnReadError) OnReadError(what + message);
}

void TIdIRC::ReportBound(bool& reported, const std::string& text) {
  if (reported) return;
  reported = true;
  if (OnReadError) OnReadError(text);
}

void TIdIRC::ReportMembersBound() {
  ReportBound(bound_notes_.members, "Too many channel members: not keeping track of more than " +
                                        std::to_string(kMaxMembers) + " names");
}

}  // namespace zelmo
