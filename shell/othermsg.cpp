#include "shell/othermsg.h"

#include "shell/base/display.h"

namespace zelmo {

void ShowJoin(TMessageDisplay& display, const std::string& nick, const std::string& channel) {
  display.DisplayLine(nick + " has joined " + channel);
}

void ShowPart(TMessageDisplay& display, const std::string& nick, const std::string& channel) {
  display.DisplayLine(nick + " has left " + channel);
}

void ShowQuit(TMessageDisplay& display, const std::string& nick) {
  display.DisplayLine(nick + " has quit IRC");
}

void ShowKick(TMessageDisplay& display, const std::string& victim, const std::string& channel,
              const std::string& kicker) {
  display.DisplayLine(victim + " has been kicked from " + channel + " by " + kicker);
}

void ShowBan(TMessageDisplay& display, const std::string& mask, const std::string& channel,
             const std::string& setter) {
  display.DisplayLine(mask + " has been banned from " + channel + " by " + setter);
}

void ShowNickChange(TMessageDisplay& display, const std::string& old_nick,
                    const std::string& new_nick) {
  display.DisplayLine(old_nick + " is now known as " + new_nick);
}

}  // namespace zelmo
