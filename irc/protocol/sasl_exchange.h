#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/capabilities.h"

namespace zelmo {

// The texts a failed exchange reports.
inline constexpr std::string_view kSaslFailed = "SASL authentication failed";
inline constexpr std::string_view kSaslNotOffered = "the server does not offer SASL";
inline constexpr std::string_view kSaslListTooLong =
    "The server's capability list is too long (over 64 KiB): SASL login abandoned";

// The client's side of capability negotiation for a SASL login, fed the
// server's CAP and AUTHENTICATE lines and numeric replies during
// registration. It holds no link: each step returns the lines to send and,
// when the login cannot go on, why.
class SaslExchange {
 public:
  struct Step {
    std::vector<std::string> send;
    std::optional<std::string> failure;
  };

  // The mechanism is "PLAIN" or "EXTERNAL" (any case).
  SaslExchange(std::string mechanism, std::string user, std::string password);

  // The first line, sent before NICK and USER.
  static std::string Opening() { return "CAP LS 302"; }

  // A CAP line; one without a subcommand has an empty one.
  Step OnCap(const CapReply& reply);
  // Capability negotiation, run elsewhere, had "sasl" acknowledged, listed
  // with `offered` (the "sasl=" value, "" for a bare "sasl"): the login
  // starts, or fails when the mechanism is not among those offered.
  Step BeginAuthenticating(const std::string& offered);
  // An AUTHENTICATE line's challenge; none when it has none.
  Step OnAuthenticate(const std::optional<std::string>& challenge);
  // A numeric reply and the parameter after the bot's nick.
  Step OnNumeric(int number, std::string_view first_parameter);

  // Between the opening and CAP END or a failure.
  bool Negotiating() const { return state_ != State::kEnded; }
  const std::string& Mechanism() const { return mechanism_; }

 private:
  enum class State { kListing, kRequested, kAuthenticating, kEnded };

  Step Fail(std::string_view why);
  Step Finish();
  Step ListingEnded();
  Step ListTooLong();

  std::string mechanism_;
  std::string user_;
  std::string password_;
  State state_ = State::kListing;
  bool responded_ = false;
  std::vector<std::string> offered_;
  // The bytes of the tokens listed so far, a blank after each.
  std::size_t listed_bytes_ = 0;
};

}  // namespace zelmo
