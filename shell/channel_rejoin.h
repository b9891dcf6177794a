#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/base/ui_port.h"

namespace zelmo {

class TIdIRC;
class TMessageDisplay;

// The channels the bot was on when its link was lost unexpectedly, and
// their rejoin on the next link: one JOIN a tick of the form's timer.
class ChannelRejoin {
 public:
  ChannelRejoin(TIdIRC& irc, TMessageDisplay& display, UiTimer& timer);

  // Replaced only at an unexpected loss, never cleared otherwise.
  const std::vector<std::string>& SavedChannels() const { return saved_channels_; }
  // From a new link with saved channels until the rejoin has run.
  bool RejoinPending() const { return rejoin_pending_; }

  // A new link: any rejoin of the last one ends, and one is due when
  // channels are saved.
  void LinkOpened();
  // The server's welcome: the rejoin starts at the timer's next tick.
  void Registered();
  void StopRejoin();
  // An unexpected loss: the lost link's channels are saved, followed by
  // those an unfinished rejoin had still to join.
  void SaveChannels(std::vector<std::string> channels);
  void TimerTimer();
  void Rejoin();

 private:
  TIdIRC& irc_;
  TMessageDisplay& display_;
  UiTimer& timer_;
  std::vector<std::string> saved_channels_;
  bool rejoin_pending_ = false;
  std::size_t rejoin_next_ = 0;
  bool rejoin_armed_ = false;
};

}  // namespace zelmo
