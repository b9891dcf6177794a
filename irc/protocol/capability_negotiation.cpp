#include "irc/protocol/capability_negotiation.h"

#include "irc/protocol/peer_bounds.h"
#include "irc/protocol/sasl_exchange.h"

namespace zelmo {

namespace {

constexpr std::string_view kSasl = "sasl";

std::string_view KnownName(std::size_t index) {
  return index < kTrackingCapabilities.size() ? kTrackingCapabilities[index] : kSasl;
}

// A token's name without its value and without the modifiers older servers
// put before it; `removed` tells whether it was a "-name".
std::string_view NameOf(std::string_view token, bool& removed) {
  removed = token.starts_with('-');
  while (!token.empty() && (token.front() == '-' || token.front() == '~' || token.front() == '=')) {
    token.remove_prefix(1);
  }
  return token.substr(0, token.find('='));
}

}  // namespace

std::optional<std::size_t> CapabilityNegotiation::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < kKnown; ++i) {
    if (KnownName(i) != name) continue;
    // "sasl" counts only when a login wants it.
    if (KnownName(i) == kSasl && !want_sasl_) return std::nullopt;
    return i;
  }
  return std::nullopt;
}

bool CapabilityNegotiation::Enabled(std::string_view name) const {
  const auto index = IndexOf(name);
  return index && enabled_.test(*index);
}

// The known capabilities the tokens name: those named "-name" when
// `removed`, the others otherwise.
CapabilityNegotiation::Known CapabilityNegotiation::Named(const std::vector<std::string>& tokens,
                                                          bool removed) const {
  Known named;
  for (const std::string& token : tokens) {
    bool is_removal = false;
    const auto index = IndexOf(NameOf(token, is_removal));
    if (index && is_removal == removed) named.set(*index);
  }
  return named;
}

CapabilityNegotiation::Step CapabilityNegotiation::Request(const Known& wanted, bool ending) {
  Step step;
  if (wanted.none()) return ending ? Ended() : step;
  std::string line = "CAP REQ :";
  for (std::size_t i = 0; i < kKnown; ++i) {
    if (!wanted.test(i)) continue;
    if (line.back() != ':') line += ' ';
    line += KnownName(i);
  }
  if (ending) state_ = State::kRequested;
  requested_ |= wanted;
  step.send.push_back(std::move(line));
  return step;
}

// A list without end would keep registration waiting for ever.
CapabilityNegotiation::Step CapabilityNegotiation::ListLine(const CapReply& reply) {
  for (const std::string& token : reply.tokens) {
    listed_bytes_ += token.size() + 1;
    if (listed_bytes_ > kMaxCapabilityListBytes) {
      state_ = State::kEnded;
      offered_.reset();
      return {{"CAP END"}, false, std::string(kCapabilityListTooLong)};
    }
  }
  offered_ |= Named(reply.tokens, false);
  if (auto sasl = CapabilityValue(reply.tokens, kSasl)) sasl_offer_ = std::move(sasl);
  if (reply.more) return {};
  return Request(offered_, true);
}

CapabilityNegotiation::Step CapabilityNegotiation::Acknowledged(const CapReply& reply) {
  // Only what the bot asked for is taken on, whatever an ACK lists.
  const Known acked = Named(reply.tokens, false) & requested_;
  const Known dropped = Named(reply.tokens, true);
  enabled_ = (enabled_ | acked) & ~dropped;
  requested_ &= ~(acked | dropped);
  if (state_ != State::kRequested || reply.more) return {};
  return Ended();
}

// With a login wanted, an end without "sasl" is its failure.
CapabilityNegotiation::Step CapabilityNegotiation::Ended() {
  state_ = State::kEnded;
  if (want_sasl_ && Enabled(kSasl)) return {{}, true, std::nullopt};
  if (want_sasl_) return {{"CAP END"}, false, std::string(kSaslNotOffered)};
  return {{"CAP END"}, false, std::nullopt};
}

CapabilityNegotiation::Step CapabilityNegotiation::OnCap(const CapReply& reply) {
  const std::string& sub = reply.subcommand;
  if (sub == "LS" && state_ == State::kListing) return ListLine(reply);
  if (sub == "ACK") return Acknowledged(reply);
  if (sub == "NAK") {
    requested_ &= ~Named(reply.tokens, false);
    if (state_ != State::kRequested) return {};
    return Ended();
  }
  if (sub == "DEL") {
    const Known gone = Named(reply.tokens, false);
    enabled_ &= ~gone;
    offered_ &= ~gone;
    return {};
  }
  if (sub != "NEW" || state_ != State::kEnded) return {};
  Known fresh = Named(reply.tokens, false);
  offered_ |= fresh;
  // A login happens during registration only.
  if (const auto sasl = IndexOf(kSasl)) fresh.reset(*sasl);
  return Request(fresh & ~enabled_ & ~requested_, false);
}

}  // namespace zelmo
