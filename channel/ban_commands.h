#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "channel/ban_list.h"
#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// The ban commands of a channel; each needs channel level 2. Refusals and
// confirmations go to the requester's nick, the mode changes and the kick to
// the channel.

// "!ban <nick|mask> [duration] [reason]": a nick becomes "*!*@" and its
// host; the duration is the channel's BanTime when none is given. Refused
// for a mask that covers the bot, or a member of a higher level than the
// requester.
void ChannelBan(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
                const std::string& channel);
// "!kickban <nick> [duration] [reason]": the ban, then the kick.
void ChannelKickBan(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel);
// "!unban <mask|number>": a ban of the bot's list, by mask or its number.
void ChannelUnban(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel);
// "!quiet <nick|mask> [duration] [reason]" and "!unquiet <mask|number>": the
// same for a quiet, where the server offers one (a list mode "q", or an
// extended ban "q:" or "m:"); kept in the same list.
void ChannelQuiet(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel);
void ChannelUnquiet(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel);
// "!bans": the bot's list of the channel, numbered; the first lines in the
// channel, the rest to the requester.
void ChannelBans(BotContext& bot, const std::vector<std::string>& parts,
                 const TIdIRCUser& requester, const std::string& channel);

// The list of "!bans" for the channel: the first lines in the channel, the
// rest to the nick (all of them when in_channel is 0).
void ListBans(BotContext& bot, const std::string& channel, const std::string& nick,
              std::size_t in_channel);

// The private forms, for the channel's owner (level 4): "ban;#chan;<nick|mask>;
// [duration];[reason]", "unban;#chan;<mask|number>", "bans;#chan", and
// "quiet;..." and "unquiet;..." like ban and unban. False for any other
// command word.
bool DispatchBanPrivate(BotContext& bot, const std::vector<std::string>& parts,
                        const TIdIRCUser& user);

// The words of the private forms, upper-cased.
std::vector<std::string> BanPrivateWords();

// One list mode change: its letter and argument ('b' and a mask).
struct ListMode {
  char letter;
  std::string argument;
};
// MODE lines that set ('+') or remove ('-') the list modes, three to a line.
void SendListModes(BotContext& bot, const std::string& channel, char sign,
                   const std::vector<ListMode>& modes);
// The same for bans of the masks.
void SendBanModes(BotContext& bot, const std::string& channel, char sign,
                  const std::vector<std::string>& masks);
// The same for entries of the list: bans, and quiets in the server's form
// (left out where it has none).
void SendEntryModes(BotContext& bot, const std::string& channel, char sign,
                    const std::vector<BanEntry>& entries);

}  // namespace zelmo
