#include <variant>

#include "irc/protocol/incoming_messages.h"
#include "irc/protocol/irc_commands.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"

// The SASL login during registration: the exchange itself is in
// sasl_exchange.cpp; here it meets the link.

namespace zelmo {

bool TIdIRC::WantsSasl() const {
  return !SASLUser.empty() || SameText(SASLMechanism, "EXTERNAL");
}

bool TIdIRC::SendsSaslPasswordInClear() const {
  return WantsSasl() && !SameText(SASLMechanism, "EXTERNAL") && !Tls.enabled;
}

bool TIdIRC::TakeSaslLine(const IncomingMessage& message) {
  if (!sasl_->Negotiating()) return false;
  SaslExchange::Step step;
  bool taken = true;
  if (const auto number = ReplyNumberOf(message)) {
    // Only an unknown command (421) is about a word the bot sent.
    const auto* error = std::get_if<ErrorReply>(&message);
    step = sasl_->OnNumeric(*number, error ? error->about : std::string());
    taken = false;
  } else if (const auto* cap = std::get_if<incoming::Cap>(&message)) {
    step = sasl_->OnCap(cap->reply);
  } else if (const auto* authenticate = std::get_if<incoming::Authenticate>(&message)) {
    step = sasl_->OnAuthenticate(authenticate->challenge);
  } else {
    return false;
  }
  // The link closes right after a failure: its last line goes out at once.
  SendSaslLines(step.send, step.failure ? SendKind::Immediate : SendKind::Paced);
  if (!step.failure) return taken;
  events_->OnSASLFailed(*step.failure);
  Disconnect(true);
  return true;
}

// A response chunk fills a line of its own: it is never relayed, so it
// needs no room for the bot's prefix, and it is shown without its bytes,
// which carry the password.
void TIdIRC::SendSaslLines(const std::vector<std::string>& lines, SendKind kind) {
  for (const std::string& line : lines) {
    const bool response = line.starts_with("AUTHENTICATE ") && line != "AUTHENTICATE +" &&
                          line != "AUTHENTICATE " + sasl_->Mechanism();
    if (!response) {
      Raw(line, kind);
      continue;
    }
    if (!IsLinkUp()) return;
    Submit(SanitizeOutgoingLine(line), SendKind::Paced);
    events_->OnSend("AUTHENTICATE ****");
  }
}

}  // namespace zelmo
