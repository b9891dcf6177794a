#pragma once

#include <string>
#include <vector>

#include "channel/translations.h"
#include "users/bot_context.h"

namespace zelmo {

// Asks the DICT server for the word in each of its databases, in order, over
// the lookups' connection and within their time limits: the translations of
// every definition found, in order, without repeats and at most
// kMaxTranslations of them; none when no database knows the word. Raises,
// before any connection, for a word that cannot go into a DEFINE command,
// and for every failure of the server or the link.
TranslationList LookUpOnDictServer(BotContext& bot, const DictServer& server,
                                   const std::string& word);

}  // namespace zelmo
