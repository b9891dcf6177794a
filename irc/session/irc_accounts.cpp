#include <algorithm>
#include <utility>
#include <variant>

#include "irc/protocol/capability_negotiation.h"
#include "irc/protocol/irc_commands.h"
#include "irc/protocol/message_tags.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/protocol/whois_account.h"
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
constexpr int kWhoReply = 352;
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
    accounts_[key] = KnownAccount{user.Address, *account};
  }
  std::optional<std::string> previous = std::exchange(user.Account, std::move(account));
  events_->OnAccountChanged(&user, previous);
}

// A record held for a channel member outlives the person: what it held is
// replaced by what is known for the nick at this address.
void TIdIRC::RecallAccount(TIdIRCUser& user) const {
  if (user.Nick().empty() || (accounts_.empty() && !user.Account)) return;
  const auto known = accounts_.find(LowerCase(user.Nick()));
  const bool same = known != accounts_.end() && known->second.address == user.Address;
  user.Account = same ? std::optional(known->second.account) : std::nullopt;
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
  const auto known = accounts_.find(LowerCase(user->Nick()));
  if (known != accounts_.end()) known->second.address = user->Address;
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

// Only members of the bot's channels take an account (and their marks)
// from a reply, with the address the reply gives.
bool TIdIRC::TakeWhoxReply(int number) {
  if (number != kWhoxReply || !caps_) return false;
  const auto entry = ParseWhoxReply(line_);
  if (!entry) return false;
  const auto channel = Channels.FindShared(entry->channel);
  if (!channel || !channel->HasUser(entry->nick)) return true;
  TakeMemberPrefixes(entry->channel, entry->nick, entry->flags);
  // The reply tells the address its account goes with.
  UserHold member(Users, entry->nick, entry->user + "@" + entry->host);
  RecallAccount(*member.get());
  NoteAccount(*member.get(), entry->account);
  return true;
}

void TIdIRC::TakeWhoReply(int number) {
  if (number != kWhoReply || !CapabilityOn("multi-prefix")) return;
  if (const auto entry = ParseWhoReply(line_)) {
    TakeMemberPrefixes(entry->channel, entry->nick, entry->flags);
  }
}

// Without multi-prefix the flags show a member's highest prefix only, which
// tells too little to set the member's marks from.
void TIdIRC::TakeMemberPrefixes(const std::string& channel_name, const std::string& nick,
                                std::string_view flags) {
  TIdIRCChannel* channel = Channels.Find(channel_name);
  if (!CapabilityOn("multi-prefix") || !channel || !channel->HasUser(nick)) return;
  const WhoPrefixes shown = ReadWhoPrefixes(flags);
  MemberFlags marks = 0;
  if (shown.op) marks |= mfOp;
  if (shown.voice) marks |= mfVoice;
  UserHold member(Users, nick, "");
  channel->SetFlags(member.get(), marks);
}

void TIdIRC::LookUpAccount(const std::string& nick, const std::string& address) {
  const bool asked = std::ranges::any_of(
      lookups_, [&nick](const AccountLookup& lookup) { return SameText(lookup.nick, nick); });
  if (lookups_.size() >= kMaxAccountLookups) {
    const AccountLookup oldest = lookups_.front();
    lookups_.pop_front();
    EndAccountLookup(oldest);
  }
  lookups_.push_back(AccountLookup{nick, address, "", std::nullopt,
                                   std::chrono::steady_clock::now() + AccountLookupLimit});
  if (!asked) Raw(outgoing::Whois(nick));
}

// The replies to the bot's WHOIS; others, and the replies of someone
// else's WHOIS, change nothing. They are shown all the same.
void TIdIRC::TakeWhoisReply(int number) {
  if (lookups_.empty()) return;
  const auto part = ParseWhoisPart(number, line_);
  if (!part) return;
  std::vector<AccountLookup> ended;
  for (auto lookup = lookups_.begin(); lookup != lookups_.end();) {
    if (!SameText(lookup->nick, part->nick)) {
      ++lookup;
    } else if (part->kind == WhoisPart::kEnd) {
      ended.push_back(std::move(*lookup));
      lookup = lookups_.erase(lookup);
    } else {
      if (part->kind == WhoisPart::kAddress) lookup->shown_address = part->value;
      if (part->kind == WhoisPart::kAccount) lookup->account = part->value;
      ++lookup;
    }
  }
  for (const AccountLookup& lookup : ended) EndAccountLookup(lookup);
}

void TIdIRC::EndAccountLookup(const AccountLookup& lookup) {
  UserHold user(Users, lookup.nick, lookup.address);
  RecallAccount(*user.get());
  if (lookup.account && lookup.shown_address == lookup.address) {
    NoteAccount(*user.get(), lookup.account);
  }
  events_->OnAccountLookedUp(user.get());
}

void TIdIRC::ExpireAccountLookups() {
  const auto now = std::chrono::steady_clock::now();
  while (!lookups_.empty() && lookups_.front().deadline <= now) {
    AccountLookup expired = std::move(lookups_.front());
    lookups_.pop_front();
    expired.account.reset();
    EndAccountLookup(expired);
  }
}

}  // namespace zelmo
