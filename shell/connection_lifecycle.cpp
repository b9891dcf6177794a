#include <utility>
#include <vector>

#include "irc/session/irc_client.h"
#include "shell/base/display.h"
#include "shell/base/errors.h"
#include "shell/reconnection.h"

// Connecting, disconnecting, and the repair of an unexpected loss of the
// link: a new connect and the rejoin of the channels the bot was on.

namespace zelmo {

void Reconnection::ConnectToServer() {
  StartConnect(ConnectOrigin::Operator);
}

void Reconnection::StartConnect(ConnectOrigin origin) {
  CheckConnectSettings();
  if (origin != ConnectOrigin::Automatic) {
    display_.DisplayLine("Connecting to " + irc_.Host + "...");
    CancelReconnect();
  }
  // The operator closes the open link, whether or not the new one opens.
  if (origin == ConnectOrigin::Operator && irc_.IsLinkUp()) {
    replaced_connection_ = connections_opened_.load();
  }
  connect_origin_ = origin;
  registered_at_.reset();
  closed_by_bot_ = false;
  ReconnectWanted = true;
  irc_.Connect();
}

void Reconnection::CheckConnectSettings() const {
  if (irc_.SASLMechanism == "EXTERNAL" && (!irc_.Tls.enabled || irc_.Tls.cert_file.empty())) {
    throw Exception(
        "[Me] SASLMechanism=EXTERNAL needs a client certificate: set TLS=1 and "
        "TLSCertFile");
  }
}

// The operator sees why in the error box, as for any failed command; an
// automatic attempt says it in the display, where the lost link was told.
void Reconnection::ConnectFailed(const ConnectFailure& failure) {
  if (form_.Closing()) return;
  switch (connect_origin_) {
    case ConnectOrigin::Automatic:
      AutomaticAttemptFailed(failure.reason, failure.permanent);
      return;
    case ConnectOrigin::AutoConnect:
      // A service started before its server comes up keeps trying.
      ReconnectWanted = ReconnectAlways && !failure.permanent;
      if (ReconnectWanted) ScheduleReconnect();
      break;
    case ConnectOrigin::Operator:
      ReconnectWanted = false;
      break;
  }
  form_.ShowError(failure.message);
}

void Reconnection::DisconnectFromServer(const std::string& quit_text) {
  display_.DisplayLine("Disconnecting from " + irc_.Host + "...");
  // Cleared first: a server that closes the link as soon as it has the QUIT
  // may have its close noticed while the QUIT is still being sent.
  ReconnectWanted = false;
  CancelReconnect();
  irc_.CancelConnect();
  if (!irc_.IsLinkUp()) return;
  try {
    irc_.Quit(quit_text);
  } catch (const EIdConnClosedGracefully&) {
    // The server closed the link right after the QUIT went out, or just
    // before it: the link is gone, as asked.
  }
}

void Reconnection::LinkOpened() {
  connections_opened_.fetch_add(1);
}

void Reconnection::Registered() {
  registered_at_ = ReconnectBackoff::Clock::now();
  backoff_.Registered(ReconnectBackoff::Clock::now());
}

// The operator asked for an account: joining without it could cost channel
// access, and a new attempt would fail the same way, so the link that is
// closed now is not reconnected.
void Reconnection::ClosedByBot() {
  ReconnectWanted = false;
  closed_by_bot_ = true;
}

void Reconnection::LinkLost(unsigned connection) {
  const auto reason = irc_.TakeLinkLossReason();
  if (form_.Closing()) return;
  if (reason) display_.DisplayColoredLine(*reason, Errorous);
  const bool current = connection == connections_opened_.load();
  // A link that CONNECT closed is the operator's doing, also when the new
  // connect failed: nothing to repair. A rejoin has no link left to run on
  // once the current one is gone; the channels stay saved for the next.
  if (!ReconnectWanted || !current || replaced_connection_ == connection) {
    if (current) rejoin_.StopRejoin();
    display_.DisplayColoredLine(
        "Disconnected from " + irc_.Host + (closed_by_bot_ && current ? "" : " by host"),
        Dangerous);
    return;
  }
  RepairLoss();
}

void Reconnection::RepairLoss() {
  const std::string& host = irc_.Host;
  std::vector<std::string> channels;
  for (int index = 0; index < irc_.Channels.Count(); ++index) {
    channels.push_back(irc_.Channels.Items(index)->Name());
  }
  display_.DisplayColoredLine("Disconnected from " + host + ". I were on " +
                                  std::to_string(channels.size()) + " channel(s)",
                              Errorous);
  regain_.StopNickRegain();
  // An automatic reconnection whose link did not hold (both nicks refused,
  // a ban or a kill right after the welcome) is not repeated at once: that
  // would hammer the server. Reconnect=always waits longer each time.
  if (auto why = ShortLivedLink()) {
    rejoin_.StopRejoin();
    AutomaticAttemptFailed(*why, false);
    return;
  }
  rejoin_.SaveChannels(std::move(channels));
  port_.Balloon("ZelmoBot: Disconnect",
                "Disconnected from " + host + ".\rReconnecting automatically!", BalloonIcon::Info,
                60);
  if (ReconnectAlways) {
    backoff_.Lost(ReconnectBackoff::Clock::now());
    ScheduleReconnect();
    return;
  }
  // One attempt only; after a failure the operator can type CONNECT.
  ConnectAutomatically();
}

}  // namespace zelmo
