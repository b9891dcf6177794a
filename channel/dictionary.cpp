#include "channel/dictionary.h"

#include <array>
#include <variant>

#include "channel/dict_lookup.h"
#include "channel/lookup_bounds.h"
#include "channel/lookup_guard.h"
#include "channel/page_text.h"
#include "channel/short_reply.h"
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

// The page's translations, at most kMaxTranslations of them.
struct PageTranslations {
  std::vector<std::string> items;
  bool more = false;
};

// Reads the page to its end and keeps each translation.
PageTranslations CollectTranslations(PageFetch& page) {
  PageTranslations found;
  std::string previous;
  std::string line;
  do {
    line = page.ReadPageLine();
    if (StartsWordClass(line)) {
      if (found.items.size() < kMaxTranslations) {
        found.items.push_back(TranslationPiece(previous));
      } else {
        found.more = true;
      }
    }
    previous = line;
  } while (line != kPageEnd);
  return found;
}

// "Word: Results for <word>: <t1>, <t2>", and without translations
// "Word: Results for <word>", each translation a piece of its own.
std::vector<std::string> AnswerPieces(const std::string& word,
                                      const std::vector<std::string>& translations) {
  std::vector<std::string> pieces{"Word: Results for " + word + (translations.empty() ? "" : ":")};
  for (std::size_t i = 0; i < translations.size(); ++i) {
    if (i == 0) {
      pieces.back().append(" ").append(translations[i]);
    } else {
      pieces.push_back(", " + translations[i]);
    }
  }
  return pieces;
}

void LookUpOnWebPage(BotContext& bot, const WebHost& host, const std::string& word,
                     const std::string& channel) {
  PageFetch page(bot);
  page.OpenPage(host, DictionaryRequest(word));
  const PageTranslations found = CollectTranslations(page);
  // No entity can span two pieces: each further one begins with ", ".
  std::vector<std::string> pieces = AnswerPieces(word, found.items);
  for (std::string& piece : pieces) piece = ReplaceLetterEntities(piece);
  SendShortReply(bot, channel, pieces, found.more);
  page.ClosePage();
}

void LookUpOnServer(BotContext& bot, const DictServer& server, const std::string& word,
                    const std::string& channel) {
  const TranslationList translations = LookUpOnDictServer(bot, server, word);
  SendShortReply(bot, channel, AnswerPieces(word, translations.Items()), translations.Cut());
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
