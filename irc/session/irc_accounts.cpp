#include <algorithm>
#include <utility>
#include <variant>

#include "irc/protocol/capability_negotiation.h"
#include "irc/protocol/message_tags.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/protocol/whox.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"

// Capability negotiation as the link sees it, and what the negotiated
// capabilities tell of people: services accounts, host changes, away.
// Nothing here is believed from a link that did not negotiate the
// capability that carries it.

namespace zelmo {

namespace {

constexpr int kWelcome = 1;
constexpr int kUnknownCommand = 421;
constexpr int kWhoxReply = 354;

}  // namespace

// Tags are read only where the server was asked for them; elsewhere a line
// beginning with "@" stays the unknown line it always was.
std::string_view TIdIRC::ReadTags(std::string_view line) {
  line_tags_ = {};
  if (!line.starts_with('@') || !(CapabilityOn("message-tags") || CapabilityOn("account-tag"))) {
    return line;
  }
  const TaggedLine tagged = SplitMessageTags(line);
  line_tags_ = ParseMessageTags(tagged.tags);
  return tagged.rest;
}

bool TIdIRC::TakeCapabilityLine(const IncomingMessage& message) {
  if (const auto* cap = std::get_if<incoming::Cap>(&message)) {
    FollowCapabilityStep(caps_->OnCap(cap->reply));
    return true;
  }
  if (!caps_->Negotiating()) return false;
  // A server that registers the bot at once, or does not know CAP, offers
  // no capabilities.
  const auto number = ReplyNumberOf(message);
  const auto* error = std::get_if<ErrorReply>(&message);
  if (number != kWelcome && !(number == kUnknownCommand && error && error->about == "CAP")) {
    return false;
  }
  if (WantsSasl()) {
    events_->OnSASLFailed(std::string(kSaslNotOffered));
    Disconnect(true);
    return true;
  }
  caps_.reset();
  return false;
}

void TIdIRC::FollowCapabilityStep(const CapabilityNegotiation::Step& step) {
  for (const std::string& line : step.send) Raw(line);
  if (step.sasl_ready) {
    sasl_.emplace(SASLMechanism, SASLUser, SASLPassword);
    const SaslExchange::Step begun = sasl_->BeginAuthenticating(caps_->SaslOffer().value_or(""));
    SendSaslLines(begun.send, begun.failure ? SendKind::Immediate : SendKind::Paced);
    if (!begun.failure) return;
    events_->OnSASLFailed(*begun.failure);
    Disconnect(true);
    return;
  }
  if (!step.failure) return;
  if (WantsSasl()) {
    events_->OnSASLFailed(*step.failure);
    Disconnect(true);
    return;
  }
  events_->OnReadError(*step.failure);
}

void TIdIRC::NoteAccount(TIdIRCUser& user, std::optional<std::string> account) {
  if (user.Account == account) return;
  const std::string key = LowerCase(user.Nick());
  if (!account) {
    accounts_.erase(key);
  } else if (accounts_.size() < kMaxHeldUsers || accounts_.contains(key)) {
    accounts_[key] = *account;
  }
  std::optional<std::string> previous = std::exchange(user.Account, std::move(account));
  events_->OnAccountChanged(&user, previous);
}

void TIdIRC::RecallAccount(TIdIRCUser& user) const {
  if (accounts_.empty() || user.Nick().empty()) return;
  const auto known = accounts_.find(LowerCase(user.Nick()));
  if (known != accounts_.end()) user.Account = known->second;
}

void TIdIRC::RenameAccount(const std::string& old_nick, const std::string& new_nick) {
  auto entry = accounts_.extract(LowerCase(old_nick));
  if (entry.empty()) return;
  entry.key() = LowerCase(new_nick);
  accounts_.insert(std::move(entry));
}

void TIdIRC::ForgetAccountUnlessShared(const std::string& nick) {
  if (accounts_.empty()) return;
  for (int i = 0; i < Channels.Count(); ++i) {
    if (Channels.Items(i)->HasUser(nick)) return;
  }
  accounts_.erase(LowerCase(nick));
}

void TIdIRC::Receive(const incoming::Account& message, TIdIRCUser* user) {
  if (!CapabilityOn("account-notify") || line_.SenderNick.empty()) {
    RaiseUnknown(user, line_.LineContent);
    return;
  }
  NoteAccount(*user, message.account);
}

// A host change is told as a nick change is: the record keeps its nick and
// channels and takes the new address.
void TIdIRC::Receive(const incoming::Chghost& message, TIdIRCUser* user) {
  if (!CapabilityOn("chghost") || line_.SenderNick.empty() || message.host.empty()) {
    RaiseUnknown(user, line_.LineContent);
    return;
  }
  std::string old_address = std::exchange(user->Address, message.user + "@" + message.host);
  events_->OnHostChanged(user, old_address);
}

void TIdIRC::Receive(const incoming::Away& message, TIdIRCUser* user) {
  if (!CapabilityOn("away-notify") || line_.SenderNick.empty()) {
    RaiseUnknown(user, line_.LineContent);
    return;
  }
  user->Away = message.message.has_value();
}

// Once per join of the bot, when the server offers WHOX: the accounts of
// the members already there, which no JOIN will tell.
void TIdIRC::AskChannelAccounts(const std::string& channel) {
  const auto due = std::find(whox_due_.begin(), whox_due_.end(), channel);
  if (due == whox_due_.end()) return;
  whox_due_.erase(due);
  Raw(WhoxQuery(channel));
}

// Only members already recorded take an account from a reply; a reply
// makes no record.
bool TIdIRC::TakeWhoxReply(int number) {
  if (number != kWhoxReply || !caps_) return false;
  const auto entry = ParseWhoxReply(line_);
  if (!entry) return false;
  const auto channel = Channels.FindShared(entry->channel);
  TIdIRCUser* member = channel && channel->HasUser(entry->nick) ? Users.Find(entry->nick) : nullptr;
  if (member) NoteAccount(*member, entry->account);
  return true;
}

}  // namespace zelmo
