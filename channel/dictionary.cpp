#include "channel/dictionary.h"

#include <array>

#include "channel/lookup_guard.h"
#include "channel/page_text.h"
#include "channel/web_page.h"
#include "shell/base/convert.h"
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

void LookUpWord(BotContext& bot, const std::string& word, const std::string& channel) {
  std::string result = "Word: Results for " + word + ":";
  PageFetch page(bot);
  page.OpenPage(bot.DictionaryHost(), DictionaryRequest(word));
  CollectTranslations(page, result);
  result = ReplaceLetterEntities(result);
  // The "," after the last translation, or the ":" when there was none.
  result.pop_back();
  SendReply(bot, channel, result);
  page.ClosePage();
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
