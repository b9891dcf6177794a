#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/base/ui_port.h"
#include "shell/form_callbacks.h"

namespace zelmo {

class TIdIRC;
class TMessageDisplay;

// Registered under the alternative nick, the bot asks for the configured
// one again when the server shows its holder gone.
class NickRegain {
 public:
  NickRegain(TIdIRC& irc, TMessageDisplay& display, UiPort& port, FormCallbacks& form);

  // From the welcome on: the minute's retry while on the alternative nick.
  void WatchForNick();
  // A new link starts without a MONITOR list, so only the regain itself
  // takes the nick off the server's.
  void StopNickRegain();
  void NickRegained();
  // Where the server offers MONITOR, it tells when the configured nick goes
  // offline; the minute's retry is not needed then.
  void MonitorNickIfOffered();
  void NicksOffline(const std::vector<std::string>& nicks);
  // The holder of the configured nick quit or changed its nick.
  void RegainNickOnNews();
  void NickTimerTimer();
  const UiTimer& NickTimer() const { return *nick_timer_; }

 private:
  bool OnAlternativeNick() const;
  void RegainNick();

  TIdIRC& irc_;
  TMessageDisplay& display_;
  std::unique_ptr<UiTimer> nick_timer_;
  // The server reports whether the configured nick is online (MONITOR).
  bool monitoring_nick_ = false;
  // When the bot last asked for the configured nick back.
  std::optional<std::chrono::steady_clock::time_point> last_regain_;
};

}  // namespace zelmo
