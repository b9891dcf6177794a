#include "irc/peer_bounds.h"
#include "shell/base/convert.h"
#include "shell/mainunit.h"

// Registered under the alternative nick because the configured one was
// taken, the bot asks for the configured nick again when the server shows
// its holder gone: a QUIT or NICK seen in a shared channel, MONITOR's
// offline notice where the server offers MONITOR, and otherwise a try a
// minute. Getting it back is no nick change of the operator's: Config.ini
// is left alone.

namespace zelmo {

namespace {

constexpr int kRegainIntervalMs = 60000;

}  // namespace

bool TMainForm::OnAlternativeNick() {
  return IRC.IsLinkUp() && IRC.ConnectionState() == stConnected && IRC.CurrentNick == IRC.AltNick &&
         !SameText(IRC.ConfiguredNick(), IRC.AltNick);
}

void TMainForm::RegainNick() {
  if (!OnAlternativeNick()) return;
  last_regain_ = std::chrono::steady_clock::now();
  IRC.SetNick(IRC.ConfiguredNick());
}

// A server that repeats its news of the nick gets one NICK in a while; the
// minute's retry goes on regardless.
void TMainForm::RegainNickOnNews() {
  const auto gap = std::chrono::milliseconds(kMinNickRegainGapMs);
  if (last_regain_ && std::chrono::steady_clock::now() - *last_regain_ < gap) return;
  RegainNick();
}

void TMainForm::WatchForNick() {
  if (!OnAlternativeNick()) return;
  NickTimer->SetInterval(kRegainIntervalMs);
  NickTimer->SetEnabled(true);
}

void TMainForm::NickTimerTimer() {
  if (!OnAlternativeNick()) {
    NickTimer->SetEnabled(false);
    return;
  }
  RegainNick();
}

// A new link starts without a MONITOR list, so only the regain itself
// takes the nick off the server's.
void TMainForm::StopNickRegain() {
  NickTimer->SetEnabled(false);
  monitoring_nick_ = false;
}

void TMainForm::NickRegained() {
  if (monitoring_nick_) IRC.Unmonitor(IRC.ConfiguredNick());
  StopNickRegain();
  MessageDisplay.DisplayColoredLine("Nick " + IRC.Nick() + " regained", Important);
}

// Each 005 line may be the one that offers MONITOR.
void TMainForm::MonitorNickIfOffered() {
  if (monitoring_nick_ || !IRC.OffersMonitor() || !OnAlternativeNick()) return;
  monitoring_nick_ = true;
  NickTimer->SetEnabled(false);
  IRC.Monitor(IRC.ConfiguredNick());
}

// The server lists a nick that is offline at once when it is added too.
void TMainForm::NicksOffline(const std::vector<std::string>& nicks) {
  for (const std::string& nick : nicks) {
    if (SameText(nick, IRC.ConfiguredNick())) RegainNickOnNews();
  }
}

}  // namespace zelmo
