#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "channel/ban_list.h"
#include "shell/base/ui_port.h"
#include "shell/form_callbacks.h"
#include "users/bot_context.h"

namespace zelmo {

class TIdIRCChannel;
class TIdIRCUser;

// Holds the channels to the bans of the bot's list: sets them again when
// the bot joins, bans and kicks a listed user who joins, follows a ban an
// operator removes by hand, and lifts each ban when it ends, with one timer
// set to the earliest end. On the user-interface thread.
class BanKeeper {
 public:
  BanKeeper(BotContext& bot, UiPort& port, FormCallbacks& form);

  // Reads the list. A file it cannot read is said and leaves the bot
  // without a list (so the file is never overwritten with an empty one).
  void Open(const std::string& path);
  BanList* List() { return list_.get(); }

  // The end of a member list: after the bot's join (the first of the
  // channel's record) the listed bans are set.
  void NamesEnd(TIdIRCChannel* channel);
  // Someone joined; true when the list bans them, and they are then banned
  // and kicked with the stored reason.
  bool Joined(const TIdIRCUser& user, const std::string& channel);
  // Someone else removed a ban: a listed one leaves the list, or, sticky and
  // with time left, is set again (at most once in kStickyGap).
  void Unbanned(const TIdIRCUser* setter, const std::string& channel, const std::string& mask,
                bool sticky);

  // The list changed: the timer is set to its earliest end.
  void Reschedule();
  void TimerTimer();
  const UiTimer& Timer() const { return *timer_; }

  static constexpr std::chrono::seconds kStickyGap{10};

 private:
  BotContext& bot_;
  std::unique_ptr<BanList> list_;
  std::unique_ptr<UiTimer> timer_;
  // The channel records whose bans were set: a record is made at each join
  // of the bot, so a NAMES asked for later sets nothing. No more than the
  // records the client keeps.
  std::vector<std::weak_ptr<TIdIRCChannel>> applied_;
  // When a sticky ban was last set again, by channel and mask; entries
  // older than kStickyGap are dropped at each new one.
  std::map<std::string, std::chrono::steady_clock::time_point> resets_;
};

}  // namespace zelmo
