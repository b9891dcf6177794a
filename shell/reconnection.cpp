#include <algorithm>
#include <exception>

#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "shell/mainunit.h"

// Reconnect=always: the attempts after an unexpected loss, each after a
// wait of the back-off, on the user-interface thread's timer so that the
// bot stays responsive while it waits.

namespace zelmo {

void TMainForm::LoadReconnect(const TIniFile& ini) {
  const std::string mode = ini.ReadString("Me", "Reconnect", "once");
  if (SameText(mode, "once")) {
    ReconnectAlways = false;
  } else if (SameText(mode, "always")) {
    ReconnectAlways = true;
  } else {
    throw Exception("[Me] Reconnect: '" + mode + "' is not a reconnection mode (once or always)");
  }
}

void TMainForm::AutoConnect() {
  try {
    ConnectToServer();
  } catch (const EIdTLSError&) {
    throw;
  } catch (const std::exception&) {
    // A service started before its server comes up keeps trying; the
    // operator still sees why the first connect failed.
    if (ReconnectAlways) {
      ReconnectWanted = true;
      ScheduleReconnect();
    }
    throw;
  }
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
  if (closing_ || !ReconnectWanted || IRC.IsLinkUp()) return;
  // Refused, no such host, no route: the server may be back later. A link
  // that opened and failed is told as a loss as well, which finds the next
  // wait already started.
  if (!ConnectAutomatically() && ReconnectAlways) ScheduleReconnect();
}

// One automatic attempt; false when it failed for a reason that may pass.
// A certificate refused now is refused on every attempt, so its reason is
// shown and it counts as no failure to retry.
bool TMainForm::ConnectAutomatically() {
  last_connect_automatic_ = true;
  registered_ = false;
  try {
    IRC.Connect();
  } catch (const EIdTLSError& error) {
    MessageDisplay.DisplayColoredLine(error.what(), Errorous);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace zelmo
