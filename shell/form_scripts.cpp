#include "shell/form_scripts.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "irc/protocol/irc_commands.h"
#include "irc/session/irc_client.h"
#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"
#include "shell/script_module.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

// The key of a script's lane in the send queue; no host holds a blank, so
// no person's lane can share it.
std::string LaneOf(const std::string& script) {
  return "script " + script;
}

// "!seen" -> "!Seen", "uptime" -> "Uptime": the label of the refusals, as
// the bot's own commands write theirs.
std::string LabelOf(const std::string& word) {
  std::string label = LowerCase(word);
  const std::size_t first = label.starts_with('!') ? 1 : 0;
  if (first < label.size()) label[first] = UpperCase(label.substr(first, 1))[0];
  return label;
}

bool IsTargetWord(const std::string& word) {
  return !word.empty() && word.front() != ':' && word.find_first_of(" ,") == std::string::npos;
}

void CheckTarget(const std::string& target) {
  if (!IsTargetWord(target)) throw Exception("not a nick or channel: '" + target + "'");
}

void CheckChannel(const std::string& channel) {
  if (!IsTargetWord(channel) || (channel.front() != '#' && channel.front() != '&')) {
    throw Exception("not a channel: '" + channel + "'");
  }
}

void CheckText(const std::string& text) {
  if (text.empty()) throw Exception("nothing to send");
}

std::vector<std::string> LowerCased(std::vector<std::string> words) {
  for (std::string& word : words) word = LowerCase(word);
  return words;
}

}  // namespace

FormScripts::FormScripts(BotContext& bot, UiPort& port, FormCallbacks& form, Poster post)
    : bot_(bot), port_(port), form_(form), post_(std::move(post)) {}

FormScripts::~FormScripts() {
  // The scripts' states and timers go while everything they use is whole.
  engine_.reset();
}

void FormScripts::Configure(const TIniFile& ini, const std::string& data_folder, FormFacts facts) {
  ScriptConfig config = ReadScriptConfig(ini, data_folder);
  HttpAllowList allowed =
      HttpAllowList::Parse(config.http_allowed, std::move(facts.configured_hosts));
  config.engine.reserved_channel_commands = LowerCased(std::move(facts.reserved_channel));
  config.engine.reserved_private_commands = LowerCased(std::move(facts.reserved_private));
  config_ = std::move(config);
  http_allowed_ = std::move(allowed);
  data_folder_ = data_folder;
  if (config_.engine.folder.empty()) {
    engine_.reset();
    return;
  }
  if (!engine_) {
    std::string why_not;
    ZelmoMakeScriptEngine* make = LoadScriptModule(why_not);
    if (make == nullptr) {
      bot_.Display().DisplayColoredLine("Scripts: the script module cannot be loaded: " + why_not,
                                        Errorous);
      return;
    }
    engine_.reset(make(this));
  }
  engine_->Load(config_.engine);
}

std::optional<ScriptCommandInfo> FormScripts::FindCommand(ScriptCommandKind kind,
                                                          const std::string& word) const {
  if (!engine_) return std::nullopt;
  for (ScriptCommandInfo& command : engine_->Commands()) {
    if (command.kind == kind && SameText(command.name, word)) return std::move(command);
  }
  return std::nullopt;
}

bool FormScripts::RunChannel(const std::vector<std::string>& parts, const TIdIRCUser& requester,
                             const std::string& channel) {
  const auto command = FindCommand(ScriptCommandKind::Channel, parts.front());
  if (!command) return false;
  if (!CheckRights(bot_, channel, command->rights, requester, LabelOf(command->name))) {
    return true;
  }
  const ScriptCommandCall call{
      channel, requester.Nick(), requester.Nick() + "!" + requester.Address,
      requester.Account.value_or(""), RightsLevel(bot_, channel, requester.Address)};
  engine_->RunCommand(*command, call, parts);
  return true;
}

bool FormScripts::RunPrivate(const std::vector<std::string>& parts, const TIdIRCUser& user) {
  const auto command = FindCommand(ScriptCommandKind::Private, parts.front());
  if (!command) return false;
  const std::string label = LabelOf(command->name);
  if (command->params > 0 &&
      !CheckParams(bot_, parts, static_cast<std::size_t>(command->params), user.Nick(), label)) {
    return true;
  }
  if (!CheckRights(bot_, kGeneralScope, command->rights, user, label)) return true;
  const ScriptCommandCall call{"", user.Nick(), user.Nick() + "!" + user.Address,
                               user.Account.value_or(""),
                               RightsLevel(bot_, kGeneralScope, user.Address)};
  engine_->RunCommand(*command, call, parts);
  return true;
}

std::optional<std::string> FormScripts::Help(const std::string& key) const {
  if (!engine_) return std::nullopt;
  for (const ScriptCommandInfo& command : engine_->Commands()) {
    if (UpperCase(command.name) != key) continue;
    return command.help.empty() ? LabelOf(command.name) + ": No help text." : command.help;
  }
  return std::nullopt;
}

// In the help's style: "Listed script commands: !seen uptime".
std::string FormScripts::CommandList() const {
  if (!engine_) return {};
  std::string words;
  for (const ScriptCommandInfo& command : engine_->Commands()) words += " " + command.name;
  return words.empty() ? std::string() : "Listed script commands:" + words;
}

void FormScripts::CheckShare(const std::string& script) const {
  const std::size_t waiting = bot_.Irc().QueuedLines(LaneOf(script));
  if (waiting >= config_.queue_lines) {
    throw Exception("the send queue holds " + IntToStr(static_cast<int>(waiting)) +
                    " lines of this script, its whole share ([Scripts] QueueLines)");
  }
}

void FormScripts::SendInLane(const std::string& script, const std::string& line) {
  TIdIRC::RequesterScope lane(bot_.Irc(), LaneOf(script));
  bot_.Irc().Raw(line);
}

void FormScripts::Say(const std::string& script, const std::string& target,
                      const std::string& text) {
  CheckTarget(target);
  CheckText(text);
  CheckShare(script);
  bot_.Display().DisplayLine(ReplyLine(target, text));
  SendInLane(script, outgoing::Say(target, text));
}

void FormScripts::Notice(const std::string& script, const std::string& target,
                         const std::string& text) {
  CheckTarget(target);
  CheckText(text);
  CheckShare(script);
  bot_.Display().DisplayLine(ReplyLine(target, text));
  SendInLane(script, outgoing::Notice(target, text));
}

// Moderation waits in the script's lane too, so a script cannot jump the
// queue ahead of the people's replies.
void FormScripts::Mode(const std::string& script, const std::string& channel,
                       const std::string& modes) {
  CheckChannel(channel);
  CheckText(modes);
  CheckShare(script);
  bot_.Display().DisplayLine(ReplyLine(channel, modes));
  SendInLane(script, outgoing::Mode(channel, modes, ""));
}

void FormScripts::Kick(const std::string& script, const std::string& channel,
                       const std::string& nick, const std::string& reason) {
  CheckChannel(channel);
  CheckTarget(nick);
  CheckShare(script);
  SendInLane(script, outgoing::Kick(channel, nick, reason.empty() ? bot_.Irc().Nick() : reason));
  bot_.Display().DisplayLine(ReplyLine(channel, "Kicked " + nick));
}

void FormScripts::Reply(const std::string& script, const ScriptCommandCall& call,
                        const std::string& text) {
  Say(script, call.channel.empty() ? call.nick : call.channel, text);
}

void FormScripts::Display(const std::string& text, TextClass text_class) {
  bot_.Display().DisplayColoredLine(text, text_class);
}

int FormScripts::Rights(const std::string& address, const std::string& scope) {
  // A full prefix is looked up by its address part, as the user file keeps it.
  const std::size_t bang = address.find('!');
  return RightsLevel(bot_, scope, bang == std::string::npos ? address : address.substr(bang + 1));
}

std::vector<std::string> FormScripts::UsersIn(const std::string& channel) {
  std::vector<std::string> nicks;
  if (const TIdIRCChannel* record = bot_.Irc().Channels.Find(channel)) {
    for (const ChannelMember& member : record->Names()) nicks.push_back(member.Nick);
  }
  return nicks;
}

// The answer comes back through the form's queue, so it finds the form
// whole or is dropped.
void FormScripts::HttpGet(const std::string& /*script*/, const std::string& url,
                          std::function<void(int status, std::string body)> done) {
  if (!http_) http_ = std::make_unique<HttpClient>(post_, HttpGetLimits{});
  http_->Get(
      url, http_allowed_.value_or(HttpAllowList::Parse("", {})),
      [done = std::move(done)](HttpAnswer answer) { done(answer.status, std::move(answer.body)); });
}

std::unique_ptr<UiTimer> FormScripts::CreateTimer(std::function<void()> on_tick) {
  return CreateCaughtTimer(port_, form_, std::move(on_tick));
}

std::string FormScripts::StorePath(const std::string& script) {
  const std::string folder = data_folder_ + "scripts";
  // Only for the bot: the stores may hold what people told the scripts.
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw Exception("cannot make " + folder + ": " + std::strerror(errno));
  }
  const std::string name = script.ends_with(".lua") ? script.substr(0, script.size() - 4) : script;
  return folder + "/" + name + ".ini";
}

}  // namespace zelmo
