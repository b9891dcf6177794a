#include <algorithm>

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
  if (monitoring_nick_) IRC.Raw("MONITOR - " + IRC.ConfiguredNick());
  StopNickRegain();
  MessageDisplay.DisplayColoredLine("Nick " + IRC.Nick() + " regained", Important);
}

// 005 tells whether the server offers MONITOR; 731 lists monitored nicks
// that are offline now (also at once for one that is offline when added).
void TMainForm::NickNewsFromServer(const std::string& command, const std::string&) {
  if (command == "005") {
    if (monitoring_nick_ || !IRC.Features.Value("MONITOR") || !OnAlternativeNick()) return;
    monitoring_nick_ = true;
    NickTimer->SetEnabled(false);
    IRC.Raw("MONITOR + " + IRC.ConfiguredNick());
  } else if (command == "731") {
    const std::string& targets = IRC.Line().ParamTable[3];
    for (std::size_t start = 0; start <= targets.size();) {
      const std::size_t comma = std::min(targets.find(',', start), targets.size());
      const std::string target = targets.substr(start, comma - start);
      if (SameText(target.substr(0, target.find('!')), IRC.ConfiguredNick())) RegainNickOnNews();
      start = comma + 1;
    }
  }
}

}  // namespace zelmo
