#include "channel/tv_listing.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <variant>

#include "channel/lookup_guard.h"
#include "channel/page_text.h"
#include "channel/short_reply.h"
#include "channel/tv_listing_cache.h"
#include "channel/tv_programmes.h"
#include "channel/web_page.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

struct TvAlias {
  std::string_view argument;
  std::string_view key;
};

constexpr std::array<TvAlias, 19> kTvAliases{{
    {"TV1", "YLE1"},    {"YLE1", "YLE1"},      {"1", "YLE1"},          {"TV2", "YLE2"},
    {"YLE2", "YLE2"},   {"2", "YLE2"},         {"MTV3", "MTV3"},       {"3", "MTV3"},
    {"MTV", "MTV3"},    {"TV4", "Nelonen"},    {"NELONEN", "Nelonen"}, {"4", "Nelonen"},
    {"SUBTV", "SubTV"}, {"MOONTV", "MoonTV"},  {"NYT", kTvNow},        {"NOW", kTvNow},
    {"SEUR", kTvNext},  {"SEURAAVA", kTvNext}, {"NEXT", kTvNext},
}};

constexpr char kIrcBold[] = "\x02";
constexpr char kIrcUnderline[] = "\x1F";

constexpr std::array<TextReplacement, 7> kTvTags{{
    {"<b>", kIrcBold},
    {"</b>", kIrcBold},
    {"<i>", kIrcUnderline},
    {"</i>", kIrcUnderline},
    {"</a>", ""},
    {"<br>", ""},
    {"&nbsp;", ""},
}};

// The heading and the first channel's entry, then one piece per channel.
std::vector<std::string> AllChannels(std::string_view heading,
                                     const std::array<std::string, kTvChannelCount>& lines,
                                     std::string (*piece)(std::string_view)) {
  std::vector<std::string> pieces;
  for (std::size_t k = 0; k < kTvChannelCount; ++k) {
    pieces.push_back(std::string(kTvChannels[k].label) + piece(lines[k]));
  }
  pieces.front().insert(0, heading);
  return pieces;
}

// The formatting of each piece is the formatting of the whole answer: every
// piece after the first begins with a blank, which no tag holds.
void SendTvAnswer(BotContext& bot, const std::string& channel, std::vector<std::string> pieces) {
  for (std::string& piece : pieces) piece = TvFormatting(piece);
  SendShortReply(bot, channel, pieces);
}

void ListFromPage(BotContext& bot, const WebHost& host, const std::string& key,
                  const std::string& channel) {
  PageFetch page(bot);
  page.OpenPage(host, std::string(kTvRequest));
  std::array<std::string, kTvChannelCount> lines;
  for (std::string& line : lines) line = page.ReadPageLine();
  SendTvAnswer(bot, channel, TvAnswerPieces(key, lines));
  page.ClosePage();
}

void ListFromXmltv(BotContext& bot, const XmltvFile& file, const std::string& key,
                   const std::string& channel) {
  const std::shared_ptr<const TvSchedule> schedule = LoadTvSchedule(file.path, bot.TvCache());
  const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
  SendTvAnswer(bot, channel, ScheduleAnswerPieces(key, *schedule, file.channel_ids, now));
}

void ListTv(BotContext& bot, const std::string& argument, const std::string& channel) {
  const std::string key = NormalizeTvChannel(bot, argument, channel);
  if (key == kUnknownTvChannel) return;
  const TvListingSource source = bot.TvListing();
  if (const auto* host = std::get_if<WebHost>(&source)) {
    ListFromPage(bot, *host, key, channel);
  } else if (const auto* file = std::get_if<XmltvFile>(&source)) {
    ListFromXmltv(bot, *file, key, channel);
  } else {
    throw Exception("No TV listing set");
  }
}

}  // namespace

std::string TvChannelKey(std::string_view argument) {
  auto alias = std::ranges::find(kTvAliases, argument, &TvAlias::argument);
  return std::string(alias != kTvAliases.end() ? alias->key : kUnknownTvChannel);
}

std::string NormalizeTvChannel(BotContext& bot, const std::string& argument,
                               const std::string& channel) {
  std::string key = TvChannelKey(argument);
  if (key == kUnknownTvChannel) SendReply(bot, channel, "TV: Error - Unknown channel " + argument);
  return key;
}

std::string NowPiece(std::string_view line) {
  const auto length = static_cast<std::ptrdiff_t>(line.size());
  const std::string rest = SlicePos(line, FindPos("</i>", line), length);
  const std::ptrdiff_t count = FindPos("<i>", rest) + 5;
  return SlicePos(line, FindPos("<i>", line), count);
}

std::string NextPiece(std::string_view line) {
  const auto length = static_cast<std::ptrdiff_t>(line.size());
  const std::ptrdiff_t space = FindPos("&nbsp;", line);
  const std::string rest = SlicePos(line, space + 7, length);
  const std::ptrdiff_t count = FindPos("</i>", rest) - 2;
  return SlicePos(line, space - 8, count);
}

std::vector<std::string> TvAnswerPieces(std::string_view key,
                                        const std::array<std::string, kTvChannelCount>& lines) {
  if (key == kTvNow) return AllChannels("Nyt menossa: ", lines, NowPiece);
  if (key == kTvNext) return AllChannels("Seuraavaksi: ", lines, NextPiece);
  for (std::size_t k = 0; k < kTvChannelCount; ++k) {
    if (kTvChannels[k].key == key) return {lines[k]};
  }
  throw Exception("Unknown TV channel key " + std::string(key));
}

std::string BuildTvAnswer(std::string_view key,
                          const std::array<std::string, kTvChannelCount>& lines) {
  std::string answer;
  for (const std::string& piece : TvAnswerPieces(key, lines)) answer += piece;
  return answer;
}

std::string TvFormatting(std::string_view answer) {
  return ReplaceInOrder(answer, kTvTags);
}

void ChannelTv(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser&,
               const std::string& channel) {
  if (!CheckParams(bot, parts, 2, channel, "TV")) return;
  const std::string argument = UpperCase(parts[1]);
  RunLookup(bot, channel, "TV: Error", [&] { ListTv(bot, argument, channel); });
}

}  // namespace zelmo
