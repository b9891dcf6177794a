#include "channel/dictionary.h"

#include <array>
#include <variant>

#include "channel/dict_lookup.h"
#include "channel/lookup_guard.h"
#include "channel/page_text.h"
#include "channel/web_page.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

constexpr std::string_view kPageEnd = "</html>";
// The line after a translation starts with the word class in italics.
constexpr std::string_view kWordClassMark = "<I>";

constexpr std::array<TextReplacement, 4> kLetterEntities{{
    {"&auml;", "\xE4"},
    {"&ouml;", "\xF6"},
    {"&Auml;", "\xC4"},
    {"&Ouml;", "\xD6"},
}};

bool StartsWordClass(std::string_view line) {
  return line.size() >= kWordClassMark.size() &&
         UpperCase(line.substr(0, kWordClassMark.size())) == kWordClassMark;
}

// Reads the page to its end and appends each translation to the result.
void CollectTranslations(PageFetch& page, std::string& result) {
  std::string previous;
  std::string line;
  do {
    line = page.ReadPageLine();
    if (StartsWordClass(line)) result.append(" ").append(TranslationPiece(previous)).append(",");
    previous = line;
  } while (line != kPageEnd);
}

std::string ResultHead(const std::string& word) {
  return "Word: Results for " + word + ":";
}

void LookUpOnWebPage(BotContext& bot, const WebHost& host, const std::string& word,
                     const std::string& channel) {
  std::string result = ResultHead(word);
  PageFetch page(bot);
  page.OpenPage(host, DictionaryRequest(word));
  CollectTranslations(page, result);
  result = ReplaceLetterEntities(result);
  // The "," after the last translation, or the ":" when there was none.
  result.pop_back();
  SendReply(bot, channel, result);
  page.ClosePage();
}

void LookUpOnServer(BotContext& bot, const DictServer& server, const std::string& word,
                    const std::string& channel) {
  std::string result = ResultHead(word);
  for (const std::string& translation : LookUpOnDictServer(bot, server, word)) {
    result.append(" ").append(translation).append(",");
  }
  // The same shape as from the web page.
  result.pop_back();
  SendReply(bot, channel, result);
}

void LookUpWord(BotContext& bot, const std::string& word, const std::string& channel) {
  const DictionarySource source = bot.Dictionary();
  if (const auto* host = std::get_if<WebHost>(&source)) {
    LookUpOnWebPage(bot, *host, word, channel);
  } else if (const auto* server = std::get_if<DictServer>(&source)) {
    LookUpOnServer(bot, *server, word, channel);
  } else {
    throw Exception("No dictionary set");
  }
}

}  // namespace

std::string DictionaryRequest(std::string_view word) {
  return "GET /cgi-bin/mofind.exe/dr1?word=" + std::string(word);
}

std::string TranslationPiece(std::string_view line) {
  std::size_t tag = line.find('<');
  return tag == std::string_view::npos ? std::string() : std::string(line.substr(0, tag));
}

std::string ReplaceLetterEntities(std::string_view text) {
  return ReplaceInOrder(text, kLetterEntities);
}

void ChannelWord(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser&,
                 const std::string& channel) {
  if (!CheckParams(bot, parts, 2, channel, "Word")) return;
  const std::string& word = parts[1];
  RunLookup(bot, channel, "Word: Error", [&] { LookUpWord(bot, word, channel); });
}

}  // namespace zelmo
