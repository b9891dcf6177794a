#include "channel/ban_commands.h"
#include "channel/chanmsg.h"
#include "shell/base/convert.h"
#include "shell/mainunit.h"
#include "users/privmsg.h"

// What the form tells the owner's scripts. Each event is built only when a
// script listens to its kind, so a bot without scripts pays a test per event.

namespace zelmo {

void TMainForm::TellScripts(ScriptEventKind kind, const TIdIRCUser* who, TIdIRCChannel* channel,
                            const ScriptEventDetails& details) {
  scripts_.Tell(kind, [&](ScriptEvent& event) {
    event.kind = kind;
    if (channel) {
      event.channel.assign(channel->Name());
    } else if (kind == ScriptEventKind::Join || kind == ScriptEventKind::Part ||
               kind == ScriptEventKind::Kick || kind == ScriptEventKind::Mode) {
      event.channel.assign(IRC.LineChannel());
    } else {
      event.channel.clear();
    }
    event.nick.clear();
    event.address.clear();
    event.account.clear();
    if (who) {
      event.nick.assign(who->Nick());
      if (!who->Nick().empty()) event.address.append(who->Nick()).append("!");
      event.address.append(who->Address);
      if (who->Account) event.account.assign(*who->Account);
    }
    event.text.assign(details.text);
    event.target.assign(details.target);
    event.modes.assign(details.modes);
  });
}

void TMainForm::TellScriptsMessage(ScriptEventKind kind, const TIdIRCUser* user,
                                   TIdIRCChannel* channel, const std::string& text) {
  // Asked first: every line of the channels passes here.
  if (!scripts_.Listens(kind)) return;
  // A server's own message and the bot's own words (to its own nick) are no
  // one's message to react to.
  if (user->Nick().empty() || SameText(user->Nick(), IRC.Nick())) return;
  TellScripts(kind, user, channel, {.text = text, .target = channel ? "" : IRC.Nick()});
}

void TMainForm::IRCDisconnected(unsigned connection) {
  reconnect_.LinkLost(connection);
  TellScripts(ScriptEventKind::Disconnected, nullptr, nullptr);
}

FormScripts::FormFacts TMainForm::ScriptFacts() const {
  FormScripts::FormFacts facts;
  facts.reserved_channel = ChannelCommandWords();
  facts.reserved_private = PrivateCommandWords();
  for (std::string& word : BanPrivateWords()) facts.reserved_private.push_back(std::move(word));
  facts.reserved_private.push_back(UpperCase(kChansetWord));
  facts.configured_hosts.push_back(IRC.Host);
  const DictionarySource dictionary = lookups_.Dictionary();
  if (const auto* web = std::get_if<WebHost>(&dictionary)) {
    facts.configured_hosts.push_back(web->host);
  }
  const TvListingSource tv = lookups_.TvListing();
  if (const auto* web = std::get_if<WebHost>(&tv)) facts.configured_hosts.push_back(web->host);
  return facts;
}

}  // namespace zelmo
