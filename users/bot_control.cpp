#include "users/bot_control.h"

#include "irc/session/irc_client.h"
#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

// The key or reason after the channel, if any; an empty one sends none.
std::string OptionalPart(const CommandParts& parts) {
  return parts.size() > 2 ? parts[2] : std::string();
}

}  // namespace

// The replies do not wait for the server: a refused join is still answered.
void HandleJoin(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  bot.Irc().Join(parts[1], OptionalPart(parts));
  SendReply(bot, user.Nick(), "Join: Joined channel " + parts[1]);
}

void HandlePart(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  bot.Irc().Part(parts[1], OptionalPart(parts));
  SendReply(bot, user.Nick(), "Part: Parted channel " + parts[1]);
}

// A text holding ";" was already cut there; only its first piece is said.
// Said to the bot's own nick, the server would hand the text straight back
// as a private message to the bot, so nothing is sent.
void HandleSay(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  if (SameText(parts[1], bot.Irc().Nick())) {
    SendReply(bot, user.Nick(), "Say: Error - I don't talk to myself");
    return;
  }
  SendReply(bot, parts[1], parts[2]);
}

void HandleNick(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  bot.Irc().SetNick(parts[1]);
  SendReplyColored(bot, user.Nick(), "Nick: Nick changed to " + parts[1], Dangerous);
}

// A load that fails part-way raises past the reply, so none is sent.
void HandleReload(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  if (!IsSecurityPassword(bot, parts[1])) {
    SendReply(bot, user.Nick(), "Reload: Error - Wrong security password");
    return;
  }
  bot.LoadConfig();
  SendReply(bot, user.Nick(), "Reload: Completed");
}

}  // namespace zelmo
