#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/capabilities.h"

namespace zelmo {

// The capabilities the bot asks for, when offered, to know people by their
// services account and to keep its channel records right.
inline constexpr std::array<std::string_view, 8> kTrackingCapabilities = {
    "account-notify", "extended-join", "account-tag",  "chghost",
    "multi-prefix",   "away-notify",   "message-tags", "cap-notify"};

inline constexpr std::string_view kCapabilityListTooLong =
    "The server's capability list is too long (over 64 KiB): no capabilities used";

// The client's side of capability negotiation for the tracking
// capabilities (and "sasl" when a SASL login is wanted): it collects the
// server's CAP LS list, requests what it wants of it, notes what is
// acknowledged, and follows CAP NEW and DEL after registration. Like the
// SASL exchange it holds no link: each step returns the lines to send.
class CapabilityNegotiation {
 public:
  struct Step {
    std::vector<std::string> send;
    // "sasl" was acknowledged: the SASL exchange authenticates now and
    // ends negotiation itself.
    bool sasl_ready = false;
    // Negotiation was given up (the list was too long), or ended without
    // "sasl" when a login wants it.
    std::optional<std::string> failure;
  };

  explicit CapabilityNegotiation(bool want_sasl) : want_sasl_(want_sasl) {}

  static std::string Opening() { return "CAP LS 302"; }

  Step OnCap(const CapReply& reply);

  // The "sasl=" value of the server's list ("" for a bare "sasl"); none
  // when it listed no "sasl".
  const std::optional<std::string>& SaslOffer() const { return sasl_offer_; }

  // Whether the capability is on for this link now.
  bool Enabled(std::string_view name) const;
  // Between the opening and CAP END (or the SASL hand-over).
  bool Negotiating() const { return state_ != State::kEnded; }

 private:
  enum class State { kListing, kRequested, kEnded };
  // The tracking capabilities, then "sasl".
  static constexpr std::size_t kKnown = kTrackingCapabilities.size() + 1;
  using Known = std::bitset<kKnown>;

  std::optional<std::size_t> IndexOf(std::string_view name) const;
  Known Named(const std::vector<std::string>& tokens, bool removed) const;
  Step Request(const Known& wanted, bool ending);
  Step ListLine(const CapReply& reply);
  Step Acknowledged(const CapReply& reply);
  Step Ended();

  bool want_sasl_;
  State state_ = State::kListing;
  Known offered_;
  Known enabled_;
  // Asked for and not yet acknowledged or refused.
  Known requested_;
  std::optional<std::string> sasl_offer_;
  // The bytes of the tokens listed so far, a blank after each.
  std::size_t listed_bytes_ = 0;
};

}  // namespace zelmo
