#include "shell/channel_rejoin.h"

#include <algorithm>
#include <utility>

#include "irc/session/irc_client.h"
#include "shell/base/display.h"

namespace zelmo {

namespace {

constexpr int kRejoinTickMs = 1000;

}  // namespace

ChannelRejoin::ChannelRejoin(TIdIRC& irc, TMessageDisplay& display, UiTimer& timer)
    : irc_(irc), display_(display), timer_(timer) {}

void ChannelRejoin::LinkOpened() {
  StopRejoin();
  if (saved_channels_.empty()) return;
  rejoin_pending_ = true;
  display_.DisplayLine("Trying to rejoin channels soon...");
}

// A server refuses a JOIN before its welcome ("You have not registered"),
// and registration can take a while (ident and DNS look-ups), so the rejoin
// runs from the welcome on.
void ChannelRejoin::Registered() {
  if (!rejoin_pending_) return;
  timer_.SetInterval(kRejoinTickMs);
  timer_.SetEnabled(true);
}

void ChannelRejoin::StopRejoin() {
  rejoin_pending_ = false;
  rejoin_armed_ = false;
  rejoin_next_ = 0;
  timer_.SetEnabled(false);
}

void ChannelRejoin::SaveChannels(std::vector<std::string> channels) {
  if (rejoin_pending_) {
    for (std::size_t index = rejoin_next_; index < saved_channels_.size(); ++index) {
      if (std::find(channels.begin(), channels.end(), saved_channels_[index]) == channels.end()) {
        channels.push_back(saved_channels_[index]);
      }
    }
  }
  StopRejoin();
  saved_channels_ = std::move(channels);
}

void ChannelRejoin::TimerTimer() {
  if (rejoin_pending_) Rejoin();
}

// One channel per tick of the one-second timer, the first a tick after the
// rejoin was armed at the welcome, so the user-interface thread never sleeps
// and the server is answered meanwhile.
void ChannelRejoin::Rejoin() {
  if (!rejoin_armed_) {
    rejoin_armed_ = true;
    rejoin_next_ = 0;
    return;
  }
  if (rejoin_next_ < saved_channels_.size()) {
    const std::string name = saved_channels_[rejoin_next_++];
    irc_.Join(name, "");
    display_.DisplayLine("-> Rejoined channel " + name);
  }
  if (rejoin_next_ >= saved_channels_.size()) {
    rejoin_pending_ = false;
    rejoin_armed_ = false;
    timer_.SetEnabled(false);
  }
}

}  // namespace zelmo
