#include "irc/protocol/sasl_exchange.h"

#include "irc/protocol/peer_bounds.h"
#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr int kWelcome = 1;
constexpr int kUnknownCommand = 421;
constexpr int kLoggedIn = 900;
constexpr int kNickLocked = 902;
constexpr int kSaslSuccess = 903;
constexpr int kSaslAlready = 907;

bool IsSaslFailure(int number) {
  return number == kNickLocked || (number >= 904 && number <= 906) || number == 908;
}

// Whether a "sasl=" value lists the mechanism; a bare "sasl" (CAP 3.1) does
// not say which it takes, so any is tried.
bool OffersMechanism(const std::string& value, const std::string& mechanism) {
  if (value.empty()) return true;
  std::string_view rest = value;
  while (true) {
    const std::size_t comma = rest.find(',');
    if (SameText(rest.substr(0, comma), mechanism)) return true;
    if (comma == std::string_view::npos) return false;
    rest.remove_prefix(comma + 1);
  }
}

}  // namespace

SaslExchange::SaslExchange(std::string mechanism, std::string user, std::string password)
    : mechanism_(UpperCase(mechanism)), user_(std::move(user)), password_(std::move(password)) {}

SaslExchange::Step SaslExchange::Fail(std::string_view why) {
  state_ = State::kEnded;
  return {{}, std::string(why)};
}

SaslExchange::Step SaslExchange::Finish() {
  state_ = State::kEnded;
  return {{"CAP END"}, std::nullopt};
}

// A list without end would keep registration waiting, and its memory
// growing, for ever.
SaslExchange::Step SaslExchange::ListTooLong() {
  offered_.clear();
  Step step = Fail(kSaslListTooLong);
  step.send.emplace_back("CAP END");
  return step;
}

SaslExchange::Step SaslExchange::ListingEnded() {
  const auto value = CapabilityValue(offered_, "sasl");
  offered_.clear();
  if (!value) return Fail(kSaslNotOffered);
  if (!OffersMechanism(*value, mechanism_)) {
    return Fail(std::string(kSaslNotOffered) + " " + mechanism_);
  }
  state_ = State::kRequested;
  return {{"CAP REQ :sasl"}, std::nullopt};
}

SaslExchange::Step SaslExchange::BeginAuthenticating(const std::string& offered) {
  if (state_ == State::kEnded) return {};
  if (!OffersMechanism(offered, mechanism_)) {
    return Fail(std::string(kSaslNotOffered) + " " + mechanism_);
  }
  state_ = State::kAuthenticating;
  return {{"AUTHENTICATE " + mechanism_}, std::nullopt};
}

SaslExchange::Step SaslExchange::OnCap(const CapReply& reply) {
  if (state_ == State::kListing && reply.subcommand == "LS") {
    for (const std::string& token : reply.tokens) {
      listed_bytes_ += token.size() + 1;
      if (listed_bytes_ > kMaxCapabilityListBytes) return ListTooLong();
      offered_.push_back(token);
    }
    if (reply.more) return {};
    return ListingEnded();
  }
  if (state_ != State::kRequested) return {};
  if (reply.subcommand == "NAK") return Fail(kSaslNotOffered);
  if (reply.subcommand != "ACK") return {};
  if (!CapabilityAcknowledged(reply.tokens, "sasl")) return Fail(kSaslNotOffered);
  state_ = State::kAuthenticating;
  return {{"AUTHENTICATE " + mechanism_}, std::nullopt};
}

SaslExchange::Step SaslExchange::OnAuthenticate(const std::optional<std::string>& challenge) {
  if (state_ != State::kAuthenticating || responded_ || !challenge) return {};
  // Both mechanisms answer the server's empty challenge once; anything
  // else would be a mechanism this client does not speak.
  if (*challenge != "+") return Fail(kSaslFailed);
  responded_ = true;
  const std::string response =
      mechanism_ == "EXTERNAL" ? std::string() : SaslPlainResponse(user_, password_);
  return {AuthenticateLines(response), std::nullopt};
}

SaslExchange::Step SaslExchange::OnNumeric(int number, std::string_view first_parameter) {
  if (state_ == State::kEnded) return {};
  if (number == kSaslSuccess || number == kSaslAlready) return Finish();
  if (number == kLoggedIn) return {};
  if (IsSaslFailure(number)) return Fail(kSaslFailed);
  // A server without capabilities registers the bot straight away, or
  // does not know the CAP command.
  if (number == kWelcome || (number == kUnknownCommand && first_parameter == "CAP")) {
    return Fail(kSaslNotOffered);
  }
  return {};
}

}  // namespace zelmo
