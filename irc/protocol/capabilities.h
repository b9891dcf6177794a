#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// One CAP line from the server: "CAP <target> <subcommand> [*] :<list>".
// A "*" before the list marks a multi-line LS reply with more lines to come.
struct CapReply {
  std::string subcommand;
  bool more = false;
  // The list's tokens as sent ("sasl=PLAIN,EXTERNAL", "-sasl"); empty
  // tokens (a trailing blank) are dropped.
  std::vector<std::string> tokens;
};

// The CAP line's content after the command word; nothing when it has no
// subcommand.
std::optional<CapReply> ParseCapReply(std::string_view content);

// The value of a capability among LS tokens: "" for a bare "sasl", the text
// after "=" otherwise; nothing when the capability is not listed.
std::optional<std::string> CapabilityValue(const std::vector<std::string>& tokens,
                                           std::string_view name);

// Whether an ACK list enables the capability (a "-name" token disables it).
bool CapabilityAcknowledged(const std::vector<std::string>& tokens, std::string_view name);

// The argument of an AUTHENTICATE line from the server ("+" whether sent as
// "+" or ":+"); nothing for a line without one.
std::optional<std::string> ParseAuthenticate(std::string_view content);

std::string Base64Encode(std::string_view bytes);

// The AUTHENTICATE lines carrying a response: its base64 in chunks of 400
// bytes, and "AUTHENTICATE +" after a last chunk of exactly 400 bytes (or
// alone for an empty response), so the server knows the response is whole.
std::vector<std::string> AuthenticateLines(std::string_view response);

// The PLAIN response: authorization identity, NUL, user, NUL, password.
std::string SaslPlainResponse(std::string_view user, std::string_view password);

}  // namespace zelmo
