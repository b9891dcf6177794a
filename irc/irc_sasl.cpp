#include "irc/irc_client.h"
#include "irc/irc_commands.h"
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

bool TIdIRC::TakeSaslLine(std::optional<int> number) {
  if (!sasl_->Negotiating()) return false;
  SaslExchange::Step step;
  bool taken = true;
  if (number) {
    step = sasl_->OnNumeric(*number, Slot(3));
    taken = false;
  } else if (line_.CommandText == "CAP") {
    step = sasl_->OnCap(line_.LineContent);
  } else if (line_.CommandText == "AUTHENTICATE") {
    step = sasl_->OnAuthenticate(line_.LineContent);
  } else {
    return false;
  }
  // The link closes right after a failure: its last line goes out at once.
  SendSaslLines(step.send, step.failure ? SendKind::Immediate : SendKind::Paced);
  if (!step.failure) return taken;
  if (OnSASLFailed) OnSASLFailed(*step.failure);
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
    if (OnSend) OnSend("AUTHENTICATE ****");
  }
}

}  // namespace zelmo
