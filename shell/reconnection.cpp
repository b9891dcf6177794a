#include <algorithm>
#include <chrono>
#include <exception>

#include "shell/base/convert.h"
#include "shell/base/error_box.h"
#include "shell/base/errors.h"
#include "shell/mainunit.h"

// Reconnect=always: the attempts after an unexpected loss, each after a
// wait of the back-off, on the user-interface thread's timer so that the
// bot stays responsive while it waits.

namespace zelmo {

void TMainForm::AutoConnect() {
  StartConnect(ConnectOrigin::AutoConnect);
}

void TMainForm::ScheduleReconnect() {
  if (closing_ || ReconnectTimer->Enabled()) return;
  const ReconnectBackoff::Step step = backoff_.Next();
  const long long seconds = std::max<long long>(1, (step.wait.count() + 500) / 1000);
  MessageDisplay.DisplayLine("Reconnecting to " + IRC.Host + " in " + std::to_string(seconds) +
                             " s (attempt " + std::to_string(step.attempt) + ")");
  ReconnectTimer->SetInterval(static_cast<int>(step.wait.count()));
  ReconnectTimer->SetEnabled(true);
}

void TMainForm::CancelReconnect() {
  ReconnectTimer->SetEnabled(false);
  backoff_.Reset();
}

void TMainForm::ReconnectTimerTimer() {
  ReconnectTimer->SetEnabled(false);
  if (closing_ || !ReconnectWanted || IRC.IsLinkUp() || IRC.Connecting()) return;
  ConnectAutomatically();
}

void TMainForm::ConnectAutomatically() {
  StartConnect(ConnectOrigin::Automatic);
}

// Refused, no such host, a handshake cut short: the server may be back
// later. A certificate refused now is refused on every attempt, and the
// default mode makes one attempt only: the display then ends on why, never
// on a promise.
void TMainForm::AutomaticAttemptFailed(const std::string& reason, bool permanent) {
  const std::string why = "Automatic reconnection failed: " + ErrorBoxText(reason);
  if (ReconnectAlways && !permanent && ReconnectWanted) {
    MessageDisplay.DisplayLine(why);
    ScheduleReconnect();
    return;
  }
  ReconnectWanted = false;
  MessageDisplay.DisplayColoredLine(why + " Type CONNECT to try again", Important);
}

std::optional<std::string> TMainForm::ShortLivedLink() const {
  if (connect_origin_ != ConnectOrigin::Automatic) return std::nullopt;
  if (!registered_at_) return "the link was lost before the server's welcome";
  const auto held = ReconnectBackoff::Clock::now() - *registered_at_;
  if (held >= ReconnectBackoff::kSteadyLink) return std::nullopt;
  return "the link was lost " +
         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(held).count()) +
         " s after the server's welcome";
}

}  // namespace zelmo
