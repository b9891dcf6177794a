#include <algorithm>
#include <exception>

#include "shell/base/errors.h"
#include "shell/mainunit.h"

// Connecting, disconnecting, the automatic reconnection after an unexpected
// loss of the link, and the rejoin of the channels the bot was on.

namespace zelmo {

// The transport reports a closed link on whichever thread noticed it,
// usually the reader thread: the handler runs on the user-interface thread.
void TMainForm::OnDisconnected() {
  unsigned connection = connections_opened_.load();
  PostToForm([this, connection] {
    RunAtTopOfUiThread([this, connection] { IRCDisconnected(connection); });
  });
}

void TMainForm::ConnectToServer() {
  StartConnect(ConnectOrigin::Operator);
}

void TMainForm::StartConnect(ConnectOrigin origin) {
  CheckConnectSettings();
  if (origin != ConnectOrigin::Automatic) {
    MessageDisplay.DisplayLine("Connecting to " + IRC.Host + "...");
    CancelReconnect();
  }
  // The operator closes the open link, whether or not the new one opens.
  if (origin == ConnectOrigin::Operator && IRC.IsLinkUp()) {
    replaced_connection_ = connections_opened_.load();
  }
  connect_origin_ = origin;
  registered_at_.reset();
  closed_by_bot_ = false;
  ReconnectWanted = true;
  IRC.Connect();
}

void TMainForm::CheckConnectSettings() const {
  if (IRC.SASLMechanism == "EXTERNAL" && (!IRC.Tls.enabled || IRC.Tls.cert_file.empty())) {
    throw Exception(
        "[Me] SASLMechanism=EXTERNAL needs a client certificate: set TLS=1 and "
        "TLSCertFile");
  }
}

// The operator sees why in the error box, as for any failed command; an
// automatic attempt says it in the display, where the lost link was told.
void TMainForm::IRCConnectFailed(const ConnectFailure& failure) {
  if (closing_) return;
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
  ShowError(failure.message);
}

void TMainForm::DisconnectFromServer(const std::optional<std::string>& quit_text) {
  MessageDisplay.DisplayLine("Disconnecting from " + IRC.Host + "...");
  // Cleared first: a server that closes the link as soon as it has the QUIT
  // may have its close noticed while the QUIT is still being sent.
  ReconnectWanted = false;
  CancelReconnect();
  IRC.CancelConnect();
  if (!IRC.IsLinkUp()) return;
  try {
    IRC.Quit(quit_text.value_or(QuitMessage));
  } catch (const EIdConnClosedGracefully&) {
    // The server closed the link right after the QUIT went out, or just
    // before it: the link is gone, as asked.
  }
}

void TMainForm::IRCConnected() {
  connections_opened_.fetch_add(1);
  MessageDisplay.DisplayColoredLine("Connected to " + IRC.Host + ".", Important);
  if (const auto& tls = IRC.Security()) {
    MessageDisplay.DisplayColoredLine(
        std::string(tls->verified ? "TLS: verified " : "TLS: not verified ") + tls->subject + " (" +
            tls->protocol + ")",
        Important);
  }
  // Before the negotiation that sends the password; loopback bouncers
  // rely on the plain link, so it is said and not refused.
  if (IRC.SendsSaslPasswordInClear()) {
    MessageDisplay.DisplayColoredLine("SASL PLAIN sends the password unencrypted: set TLS=1",
                                      Dangerous);
  }
  StopRejoin();
  StopNickRegain();
  if (SavedChannels.empty()) return;
  RejoinPending = true;
  MessageDisplay.DisplayLine("Trying to rejoin channels soon...");
}

// A server refuses a JOIN before its welcome ("You have not registered"),
// and registration can take a while (ident and DNS look-ups), so the rejoin
// runs from the welcome on.
void TMainForm::IRCRegistered() {
  registered_at_ = ReconnectBackoff::Clock::now();
  backoff_.Registered(ReconnectBackoff::Clock::now());
  WatchForNick();
  if (!RejoinPending) return;
  Timer->SetInterval(1000);
  Timer->SetEnabled(true);
}

void TMainForm::StopRejoin() {
  RejoinPending = false;
  rejoin_armed_ = false;
  rejoin_next_ = 0;
  Timer->SetEnabled(false);
}

void TMainForm::IRCDisconnected(unsigned connection) {
  const auto reason = IRC.TakeLinkLossReason();
  if (closing_) return;
  if (reason) MessageDisplay.DisplayColoredLine(*reason, Errorous);
  const std::string& host = IRC.Host;
  const bool current = connection == connections_opened_.load();
  // A link that CONNECT closed is the operator's doing, also when the new
  // connect failed: nothing to repair. A rejoin has no link left to run on
  // once the current one is gone; the channels stay saved for the next.
  if (!ReconnectWanted || !current || replaced_connection_ == connection) {
    if (current) StopRejoin();
    MessageDisplay.DisplayColoredLine(
        "Disconnected from " + host + (closed_by_bot_ && current ? "" : " by host"), Dangerous);
    return;
  }
  std::vector<std::string> channels;
  for (int index = 0; index < IRC.Channels.Count(); ++index) {
    channels.push_back(IRC.Channels.Items(index)->Name());
  }
  MessageDisplay.DisplayColoredLine("Disconnected from " + host + ". I were on " +
                                        std::to_string(channels.size()) + " channel(s)",
                                    Errorous);
  StopNickRegain();
  // An automatic reconnection whose link did not hold (both nicks refused,
  // a ban or a kill right after the welcome) is not repeated at once: that
  // would hammer the server. Reconnect=always waits longer each time.
  if (auto why = ShortLivedLink()) {
    StopRejoin();
    AutomaticAttemptFailed(*why, false);
    return;
  }
  if (RejoinPending) {
    // Channels not rejoined yet are still to be rejoined.
    for (std::size_t index = rejoin_next_; index < SavedChannels.size(); ++index) {
      if (std::find(channels.begin(), channels.end(), SavedChannels[index]) == channels.end()) {
        channels.push_back(SavedChannels[index]);
      }
    }
  }
  StopRejoin();
  SavedChannels = std::move(channels);
  Port.Balloon("ZelmoBot: Disconnect",
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

void TMainForm::TimerTimer() {
  if (RejoinPending) Rejoin();
}

// One channel per tick of the one-second timer, the first a tick after the
// rejoin was armed at the welcome, so the user-interface thread never sleeps
// and the server is answered meanwhile.
void TMainForm::Rejoin() {
  if (!rejoin_armed_) {
    rejoin_armed_ = true;
    rejoin_next_ = 0;
    return;
  }
  if (rejoin_next_ < SavedChannels.size()) {
    const std::string name = SavedChannels[rejoin_next_++];
    IRC.Join(name, "");
    MessageDisplay.DisplayLine("-> Rejoined channel " + name);
  }
  if (rejoin_next_ >= SavedChannels.size()) {
    RejoinPending = false;
    rejoin_armed_ = false;
    Timer->SetEnabled(false);
  }
}

}  // namespace zelmo
