#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/base/ini_file.h"
#include "shell/channel_log_writer.h"

namespace zelmo {

class TIdIRC;
class TIdIRCChannel;
class TIdIRCUser;

// The channels' logs: turns what the bot sees and says in a channel into log
// lines for the writer. Off until [Logs] Folder names a folder. Everything
// but the writer's own thread runs on the user-interface thread.
class ChannelLog {
 public:
  using Clock = std::function<std::time_t()>;
  ChannelLog(
      TIdIRC& irc, ChannelLogNotice notice, Clock clock = [] { return std::time(nullptr); });

  // Reads [Logs]: starts the writer, or a new one when the settings changed,
  // or stops it. Raises EConfigError for a value it cannot use.
  void Configure(const TIniFile& ini, const std::string& data_folder);
  // Log files are opened anew for the next lines (after a rotation).
  void Reopen();
  // Null while logging is off.
  ChannelLogWriter* Writer() { return writer_.get(); }

  // Events of the channels, told before the client's records change.
  void Message(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text);
  void Notice(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text);
  void Action(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text);
  void Join(TIdIRCUser* user, TIdIRCChannel* channel);
  void Joined(TIdIRCChannel* channel);
  void Part(TIdIRCUser* user, TIdIRCChannel* channel);
  void Parted(TIdIRCChannel* channel);
  // In every channel that lists the user.
  void Quit(TIdIRCUser* user);
  void Kick(TIdIRCUser* kicker, const std::string& victim, const std::string& reason,
            TIdIRCChannel* channel);
  void Mode(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& modes);
  void Topic(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& topic);
  // Another user's new nick, in every channel that lists them; the bot's own,
  // in every channel it is in.
  void NickChange(TIdIRCUser* user, const std::string& new_nick);
  void OwnNickChange(const std::string& old_nick);
  // A line the bot sent: its messages to a channel.
  void Sent(const std::string& line);

 private:
  bool Wanted(const std::string& channel) const;
  void Write(TIdIRCChannel* channel, std::string text);
  void Write(const std::string& channel, std::string text);
  static std::vector<std::string> ChannelList(const std::string& text);

  TIdIRC& irc_;
  ChannelLogNotice notice_;
  Clock clock_;
  std::vector<std::string> channels_;  // empty: every channel
  std::unique_ptr<ChannelLogWriter> writer_;
};

}  // namespace zelmo
