#include "shell/reconnection.h"

#include <algorithm>
#include <chrono>

#include "irc/session/irc_client.h"
#include "shell/base/display.h"
#include "shell/base/error_box.h"

// Reconnect=always: the attempts after an unexpected loss, each after a
// wait of the back-off, on the user-interface thread's timer so that the
// bot stays responsive while it waits.

namespace zelmo {

Reconnection::Reconnection(TIdIRC& irc, TMessageDisplay& display, UiPort& port, FormCallbacks& form,
                           ChannelRejoin& rejoin, NickRegain& regain)
    : irc_(irc),
      display_(display),
      port_(port),
      form_(form),
      rejoin_(rejoin),
      regain_(regain),
      reconnect_timer_(CreateCaughtTimer(port, form, [this] { ReconnectTimerTimer(); })) {}

void Reconnection::AutoConnect() {
  StartConnect(ConnectOrigin::AutoConnect);
}

void Reconnection::ScheduleReconnect() {
  if (form_.Closing() || reconnect_timer_->Enabled()) return;
  const ReconnectBackoff::Step step = backoff_.Next();
  const long long seconds = std::max<long long>(1, (step.wait.count() + 500) / 1000);
  display_.DisplayLine("Reconnecting to " + irc_.Host + " in " + std::to_string(seconds) +
                       " s (attempt " + std::to_string(step.attempt) + ")");
  reconnect_timer_->SetInterval(static_cast<int>(step.wait.count()));
  reconnect_timer_->SetEnabled(true);
  pending_ = {ReconnectBackoff::Clock::now() + step.wait, step.attempt};
}

std::optional<Reconnection::PendingAttempt> Reconnection::Pending() const {
  if (!reconnect_timer_->Enabled()) return std::nullopt;
  return pending_;
}

void Reconnection::CancelReconnect() {
  reconnect_timer_->SetEnabled(false);
  backoff_.Reset();
}

void Reconnection::ReconnectTimerTimer() {
  reconnect_timer_->SetEnabled(false);
  if (form_.Closing() || !ReconnectWanted || irc_.IsLinkUp() || irc_.Connecting()) return;
  ConnectAutomatically();
}

void Reconnection::ConnectAutomatically() {
  StartConnect(ConnectOrigin::Automatic);
}

// Refused, no such host, a handshake cut short: the server may be back
// later. A certificate refused now is refused on every attempt, and the
// default mode makes one attempt only: the display then ends on why, never
// on a promise.
void Reconnection::AutomaticAttemptFailed(const std::string& reason, bool permanent) {
  const std::string why = "Automatic reconnection failed: " + ErrorBoxText(reason);
  if (ReconnectAlways && !permanent && ReconnectWanted) {
    display_.DisplayLine(why);
    ScheduleReconnect();
    return;
  }
  ReconnectWanted = false;
  display_.DisplayColoredLine(why + " Type CONNECT to try again", Important);
}

std::optional<std::string> Reconnection::ShortLivedLink() const {
  if (connect_origin_ != ConnectOrigin::Automatic) return std::nullopt;
  if (!registered_at_) return "the link was lost before the server's welcome";
  const auto held = ReconnectBackoff::Clock::now() - *registered_at_;
  if (held >= ReconnectBackoff::kSteadyLink) return std::nullopt;
  return "the link was lost " +
         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(held).count()) +
         " s after the server's welcome";
}

}  // namespace zelmo
