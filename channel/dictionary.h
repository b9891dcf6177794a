#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// "!word <word>": looks the word up on the dictionary web page or a DICT
// server and answers the translations in the channel. Anyone may ask.
void ChannelWord(BotContext& bot, const std::vector<std::string>& parts,
                 const TIdIRCUser& requester, const std::string& channel);

// The request line for a word, put in as typed, without escaping.
std::string DictionaryRequest(std::string_view word);

// The dictionary page puts a translation at the start of a line, before the
// line's first markup: the text before the first "<" (empty when the line
// starts with one or has none).
std::string TranslationPiece(std::string_view line);

// The page's Finnish letter entities as single Latin-1 bytes; every other
// entity and all markup stay as they are.
std::string ReplaceLetterEntities(std::string_view text);

}  // namespace zelmo
