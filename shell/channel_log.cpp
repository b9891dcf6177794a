#include "shell/channel_log.h"

#include "irc/protocol/ctcp.h"
#include "irc/session/irc_client.h"
#include "shell/base/config_read.h"
#include "shell/base/convert.h"
#include "shell/channel_log_lines.h"

namespace zelmo {

namespace {

std::string NickOf(const TIdIRCUser* user) {
  return user ? user->Nick() : std::string();
}

// A server's own prefix carries no address: what it tells has no setter.
std::string PersonOf(const TIdIRCUser* user) {
  return user && !user->Address.empty() ? user->Nick() : std::string();
}

}  // namespace

ChannelLog::ChannelLog(TIdIRC& irc, ChannelLogNotice notice, Clock clock)
    : irc_(irc), notice_(std::move(notice)), clock_(std::move(clock)) {}

void ChannelLog::Configure(const TIniFile& ini, const std::string& data_folder) {
  using namespace config;
  const std::string folder = ConfigText(ini, kLogsFolder);
  ChannelLogSettings settings;
  settings.keep_days = ConfigNumber(ini, kLogsKeepDays);
  settings.queue_lines = static_cast<std::size_t>(ConfigNumber(ini, kLogsQueueLines));
  channels_ = ChannelList(ConfigText(ini, kLogsChannels));
  if (folder.empty()) {
    writer_.reset();
    return;
  }
  settings.folder = folder.front() == '/' ? folder : data_folder + folder;
  while (settings.folder.size() > 1 && settings.folder.back() == '/') settings.folder.pop_back();
  if (writer_ && writer_->Settings() == settings) return;
  writer_.reset();
  writer_ = std::make_unique<ChannelLogWriter>(settings, notice_, clock_());
}

std::vector<std::string> ChannelLog::ChannelList(const std::string& text) {
  std::vector<std::string> names;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    std::string_view name = TrimBlanks(rest.substr(0, comma));
    if (!name.empty()) names.emplace_back(name);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return names;
}

void ChannelLog::Reopen() {
  if (writer_) writer_->Reopen();
}

bool ChannelLog::Wanted(const std::string& channel) const {
  if (!writer_ || channel.empty()) return false;
  if (channels_.empty()) return true;
  for (const std::string& name : channels_) {
    if (SameText(name, channel)) return true;
  }
  return false;
}

void ChannelLog::Write(const std::string& channel, std::string text) {
  if (Wanted(channel)) writer_->Post(channel, clock_(), std::move(text));
}

void ChannelLog::Write(TIdIRCChannel* channel, std::string text) {
  if (channel) Write(channel->Name(), std::move(text));
}

void ChannelLog::Message(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) {
  Write(channel, log_line::Message(NickOf(user), text));
}

void ChannelLog::Notice(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) {
  Write(channel, log_line::Notice(NickOf(user), text));
}

void ChannelLog::Action(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) {
  Write(channel, log_line::Action(NickOf(user), text));
}

void ChannelLog::Join(TIdIRCUser* user, TIdIRCChannel* channel) {
  Write(channel, log_line::Join(NickOf(user), user ? user->Address : ""));
}

void ChannelLog::Joined(TIdIRCChannel* channel) {
  Write(channel, log_line::Join(irc_.Nick(), ""));
}

void ChannelLog::Part(TIdIRCUser* user, TIdIRCChannel* channel) {
  Write(channel, log_line::Part(NickOf(user), user ? user->Address : "", user ? user->Reason : ""));
}

void ChannelLog::Parted(TIdIRCChannel* channel) {
  Write(channel, log_line::Part(irc_.Nick(), "", ""));
}

void ChannelLog::Quit(TIdIRCUser* user) {
  if (!writer_ || !user) return;
  const std::string text = log_line::Quit(user->Nick(), user->Reason);
  for (int i = 0; i < irc_.Channels.Count(); ++i) {
    TIdIRCChannel* channel = irc_.Channels.Items(i);
    if (channel->HasUser(user->Nick())) Write(channel, text);
  }
}

void ChannelLog::Kick(TIdIRCUser* kicker, const std::string& victim, const std::string& reason,
                      TIdIRCChannel* channel) {
  Write(channel, log_line::Kick(victim, NickOf(kicker), reason));
}

void ChannelLog::Mode(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& modes) {
  Write(channel, log_line::Mode(NickOf(setter), modes));
}

void ChannelLog::Topic(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& topic) {
  Write(channel, log_line::Topic(PersonOf(setter), topic));
}

void ChannelLog::NickChange(TIdIRCUser* user, const std::string& new_nick) {
  if (!writer_ || !user) return;
  const std::string text = log_line::NickChange(user->Nick(), new_nick);
  for (int i = 0; i < irc_.Channels.Count(); ++i) {
    TIdIRCChannel* channel = irc_.Channels.Items(i);
    if (channel->HasUser(user->Nick())) Write(channel, text);
  }
}

void ChannelLog::OwnNickChange(const std::string& old_nick) {
  if (!writer_) return;
  const std::string text = log_line::NickChange(old_nick, irc_.Nick());
  for (int i = 0; i < irc_.Channels.Count(); ++i) Write(irc_.Channels.Items(i), text);
}

// "PRIVMSG #room :text" or "NOTICE #room :text", as the bot's own code writes
// them; a CTCP ACTION is an action, other CTCP is not logged.
void ChannelLog::Sent(const std::string& line) {
  if (!writer_) return;
  const bool notice = line.starts_with("NOTICE ");
  if (!notice && !line.starts_with("PRIVMSG ")) return;
  const std::size_t target_at = line.find(' ') + 1;
  const std::size_t text_at = line.find(" :", target_at);
  if (text_at == std::string::npos) return;
  TIdIRCChannel* channel = irc_.Channels.Find(line.substr(target_at, text_at - target_at));
  if (!channel) return;
  const std::string text = line.substr(text_at + 2);
  const std::string nick = irc_.Nick();
  if (!IsCtcpMessage(text)) {
    Write(channel, notice ? log_line::Notice(nick, text) : log_line::Message(nick, text));
    return;
  }
  auto ctcp = ParseCtcp(text);
  if (!notice && ctcp && ctcp->Command == "ACTION")
    Write(channel, log_line::Action(nick, ctcp->Arguments));
}

}  // namespace zelmo
