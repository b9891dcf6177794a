#pragma once

#include <string>

namespace zelmo {

class TMessageDisplay;

// The display lines of other users' events on the bot's channels.
void ShowJoin(TMessageDisplay& display, const std::string& nick, const std::string& channel);
void ShowPart(TMessageDisplay& display, const std::string& nick, const std::string& channel);
void ShowQuit(TMessageDisplay& display, const std::string& nick);
void ShowKick(TMessageDisplay& display, const std::string& victim, const std::string& channel,
              const std::string& kicker);
void ShowBan(TMessageDisplay& display, const std::string& mask, const std::string& channel,
             const std::string& setter);
void ShowNickChange(TMessageDisplay& display, const std::string& old_nick,
                    const std::string& new_nick);

}  // namespace zelmo
