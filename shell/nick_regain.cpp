#include "shell/nick_regain.h"

#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"

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

NickRegain::NickRegain(TIdIRC& irc, TMessageDisplay& display, UiPort& port, FormCallbacks& form)
    : irc_(irc),
      display_(display),
      nick_timer_(CreateCaughtTimer(port, form, [this] { NickTimerTimer(); })) {}

bool NickRegain::OnAlternativeNick() const {
  return irc_.IsLinkUp() && irc_.ConnectionState() == stConnected &&
         irc_.CurrentNick == irc_.AltNick && !SameText(irc_.ConfiguredNick(), irc_.AltNick);
}

void NickRegain::RegainNick() {
  if (!OnAlternativeNick()) return;
  last_regain_ = std::chrono::steady_clock::now();
  irc_.SetNick(irc_.ConfiguredNick());
}

// A server that repeats its news of the nick gets one NICK in a while; the
// minute's retry goes on regardless.
void NickRegain::RegainNickOnNews() {
  const auto gap = std::chrono::milliseconds(kMinNickRegainGapMs);
  if (last_regain_ && std::chrono::steady_clock::now() - *last_regain_ < gap) return;
  RegainNick();
}

void NickRegain::WatchForNick() {
  if (!OnAlternativeNick()) return;
  nick_timer_->SetInterval(kRegainIntervalMs);
  nick_timer_->SetEnabled(true);
}

void NickRegain::NickTimerTimer() {
  if (!OnAlternativeNick()) {
    nick_timer_->SetEnabled(false);
    return;
  }
  RegainNick();
}

void NickRegain::StopNickRegain() {
  nick_timer_->SetEnabled(false);
  monitoring_nick_ = false;
}

void NickRegain::NickRegained() {
  if (monitoring_nick_) irc_.Unmonitor(irc_.ConfiguredNick());
  StopNickRegain();
  display_.DisplayColoredLine("Nick " + irc_.Nick() + " regained", Important);
}

// Each 005 line may be the one that offers MONITOR.
void NickRegain::MonitorNickIfOffered() {
  if (monitoring_nick_ || !irc_.OffersMonitor() || !OnAlternativeNick()) return;
  monitoring_nick_ = true;
  nick_timer_->SetEnabled(false);
  irc_.Monitor(irc_.ConfiguredNick());
}

// The server lists a nick that is offline at once when it is added too.
void NickRegain::NicksOffline(const std::vector<std::string>& nicks) {
  for (const std::string& nick : nicks) {
    if (SameText(nick, irc_.ConfiguredNick())) RegainNickOnNews();
  }
}

}  // namespace zelmo
