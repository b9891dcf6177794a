// Web page lines as the two lookups read them: the dictionary's translation
// pieces and letter entities, and the TV listing's now and next pieces and
// tag formatting. The input is a page; its lines end at line feeds.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channel/dictionary.h"
#include "channel/page_text.h"
#include "channel/tv_listing.h"
#include "shell/base/convert.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

// The page's lines as the page reader gives them: without the line feed
// and a carriage return before it.
std::vector<std::string> PageLines(std::string_view page) {
  std::vector<std::string> lines;
  while (!page.empty()) {
    std::size_t lf = page.find('\n');
    std::string line(page.substr(0, lf));
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (lf == std::string_view::npos) break;
    page.remove_prefix(lf + 1);
  }
  return lines;
}

std::size_t CountLetterBytes(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return c == '\xE4' || c == '\xF6' || c == '\xC4' || c == '\xD6';
  }));
}

void CheckDictionary(const std::vector<std::string>& lines) {
  std::string result = "Word: Results for talo:";
  std::string previous;
  for (const std::string& line : lines) {
    const std::string piece = TranslationPiece(line);
    const std::size_t tag = line.find('<');
    FUZZ_CHECK(piece == (tag == std::string::npos ? "" : line.substr(0, tag)));
    if (line.size() >= 3 && UpperCase(line.substr(0, 3)) == "<I>") {
      result.append(" ").append(TranslationPiece(previous)).append(",");
    }
    previous = line;
    if (line == "</html>") break;
  }
  const std::string replaced = ReplaceLetterEntities(result);
  // Each of the four entities became one byte and none is left over.
  for (std::string_view entity : {"&auml;", "&ouml;", "&Auml;", "&Ouml;"}) {
    FUZZ_CHECK(replaced.find(entity) == std::string::npos);
  }
  FUZZ_CHECK(replaced.size() <= result.size() && (result.size() - replaced.size()) % 5 == 0);
  FUZZ_CHECK(CountLetterBytes(replaced) ==
             CountLetterBytes(result) + (result.size() - replaced.size()) / 5);
  FUZZ_CHECK(!replaced.empty());
}

std::size_t PositionOf(std::string_view needle, std::string_view text) {
  std::size_t at = text.find(needle);
  return at == std::string_view::npos ? 0 : at + 1;
}

// From the first "<i>" (the line's start without one), five characters
// longer than the 1-based position of the first "<i>" from the first "</i>"
// on (the whole line without one).
std::string ExpectedNow(std::string_view line) {
  const std::size_t close = line.find("</i>");
  const std::string_view rest = close == std::string_view::npos ? line : line.substr(close);
  const std::size_t count = PositionOf("<i>", rest) + 5;
  const std::size_t open = line.find("<i>");
  return std::string(line.substr(open == std::string_view::npos ? 0 : open, count));
}

// From eight characters before the first "&nbsp;" (at least the line's
// start), two characters shorter than the 1-based position of the first
// "</i>" from the seventh character after the "&nbsp;"'s first on.
std::string ExpectedNext(std::string_view line) {
  const std::size_t space = PositionOf("&nbsp;", line);
  const std::string_view rest = space + 6 < line.size() ? line.substr(space + 6) : "";
  const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(PositionOf("</i>", rest)) - 2;
  if (count < 0 || line.empty()) return {};
  const std::size_t start = space > 9 ? space - 9 : 0;
  return std::string(line.substr(start, static_cast<std::size_t>(count)));
}

void CheckTv(const std::vector<std::string>& lines) {
  std::array<std::string, kTvChannelCount> six;
  for (std::size_t k = 0; k < six.size() && k < lines.size(); ++k) six[k] = lines[k];
  for (const std::string& line : six) {
    const std::string now = NowPiece(line);
    const std::string next = NextPiece(line);
    FUZZ_CHECK(now == ExpectedNow(line));
    FUZZ_CHECK(next == ExpectedNext(line));
    FUZZ_CHECK(line.find(now) != std::string::npos && line.find(next) != std::string::npos);
  }
  for (std::string_view key : {"YLE1", "MoonTV", "Now", "Next"}) {
    const std::string answer = BuildTvAnswer(key, six);
    const std::string formatted = TvFormatting(answer);
    // Every replacement is shorter than its tag.
    FUZZ_CHECK(formatted.size() <= answer.size());
    bool has_tag = false;
    for (std::string_view tag : {"<b>", "</b>", "<i>", "</i>", "</a>", "<br>", "&nbsp;"}) {
      has_tag = has_tag || answer.find(tag) != std::string::npos;
    }
    FUZZ_CHECK(has_tag == (formatted != answer));
  }
  FUZZ_CHECK(BuildTvAnswer("MTV3", six) == six[2]);
  const std::string key = TvChannelKey(UpperCase(six[0]));
  if (key != kUnknownTvChannel && key != kTvNow && key != kTvNext) {
    FUZZ_CHECK(std::find(six.begin(), six.end(), BuildTvAnswer(key, six)) != six.end());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines =
      PageLines(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckDictionary(lines);
  CheckTv(lines);
  // The position helpers on arbitrary cuts of the page.
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  if (size >= 2) {
    const std::ptrdiff_t index = static_cast<std::int8_t>(data[0]);
    const std::ptrdiff_t count = static_cast<std::int8_t>(data[1]);
    const std::string slice = SlicePos(page, index, count);
    FUZZ_CHECK(slice.size() <= static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0)));
    FUZZ_CHECK(page.find(slice) != std::string_view::npos);
    const std::size_t from = static_cast<std::size_t>(std::max<std::ptrdiff_t>(index, 1) - 1);
    FUZZ_CHECK(slice.empty() || page.substr(from, slice.size()) == slice);
    const std::string_view needle = page.substr(2, data[1] % 4);
    const std::ptrdiff_t at = FindPos(needle, page);
    FUZZ_CHECK(at == static_cast<std::ptrdiff_t>(PositionOf(needle, page)));
  }
  return 0;
}
