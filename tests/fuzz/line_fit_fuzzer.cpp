// Outgoing lines fitted to the server's line length behind the bot's relay
// prefix: split messages, cut CTCP messages and other lines.
//
// Input: byte 0 the prefix length (doubled, so the cap is reached too),
// byte 1 the form (low two bits: raw line, PRIVMSG, NOTICE, CTCP reply) and
// how often the rest is repeated (so short inputs make long lines), then the
// text.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/line_fit.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

// An oracle of its own: code points decoded and range-checked.
bool WellFormedUtf8(std::string_view text) {
  static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
    } else if (lead >= 0x80) {
      return false;
    }
    if (i + extra >= text.size()) return false;
    std::uint32_t point = extra == 0 ? lead : lead & (0x7F >> (extra + 1));
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    if (point < kLeast[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

// The pieces' texts, read in order, are the text with at most one blank
// dropped between two pieces. Where the text runs on in blanks, either
// reading may be the right one, so every reading is followed.
void CheckPiecesMakeTheText(const std::vector<std::string>& lines, std::string_view header,
                            std::string_view text) {
  std::set<std::size_t> ends = {0};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(std::string_view(lines[i]).starts_with(header));
    const std::string_view piece = std::string_view(lines[i]).substr(header.size());
    FUZZ_CHECK(i + 1 == lines.size() || !piece.empty());
    std::set<std::size_t> next;
    for (std::size_t at : ends) {
      if (text.substr(at, piece.size()) == piece) next.insert(at + piece.size());
      if (i > 0 && at < text.size() && text[at] == ' ' &&
          text.substr(at + 1, piece.size()) == piece) {
        next.insert(at + 1 + piece.size());
      }
    }
    ends = std::move(next);
  }
  FUZZ_CHECK(ends.contains(text.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t prefix = static_cast<std::size_t>(data[0]) * 2;
  const int form = data[1] & 3;
  const int repeats = 1 + (data[1] >> 2);
  const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::string text;
  for (int i = 0; i < repeats; ++i) text.append(rest);

  static constexpr std::string_view kHeaders[] = {
      "", "PRIVMSG #room :", "NOTICE bob :", "NOTICE bob :\001PING "};
  const std::string line = std::string(kHeaders[form]) + text;
  const std::size_t room = LineRoom(prefix);
  FUZZ_CHECK(room >= 110 && room <= 510);

  const std::vector<std::string> lines = FitLine(line, prefix);
  FUZZ_CHECK(!lines.empty());
  for (const std::string& fitted : lines) FUZZ_CHECK(fitted.size() <= room);
  if (line.size() <= room) {
    FUZZ_CHECK(lines.size() == 1 && lines[0] == line);
    return 0;
  }
  if (lines.size() > 1) {
    // Only a message is split, behind its "COMMAND target :".
    FUZZ_CHECK(form != 3);
    const std::size_t target = line.find(' ');
    const std::size_t colon = line.find(' ', target + 1);
    FUZZ_CHECK(colon != std::string::npos && line[colon + 1] == ':');
    const std::string_view message_header = std::string_view(line).substr(0, colon + 2);
    const std::string_view message_text = std::string_view(line).substr(colon + 2);
    FUZZ_CHECK(!message_text.starts_with('\001'));
    CheckPiecesMakeTheText(lines, message_header, message_text);
    if (WellFormedUtf8(message_text)) {
      for (const std::string& fitted : lines) {
        FUZZ_CHECK(WellFormedUtf8(std::string_view(fitted).substr(message_header.size())));
      }
    }
    return 0;
  }
  // One line: the start of the line, or of a CTCP message with its closing
  // \001 put back.
  FUZZ_CHECK(lines.size() == 1);
  std::string_view cut = lines[0];
  if (line.back() == '\001' && !cut.empty() && cut.back() == '\001' &&
      !std::string_view(line).starts_with(cut)) {
    cut.remove_suffix(1);
  }
  FUZZ_CHECK(std::string_view(line).starts_with(cut));
  if (WellFormedUtf8(line.substr(0, line.back() == '\001' ? line.size() - 1 : line.size()))) {
    FUZZ_CHECK(WellFormedUtf8(cut));
  }
  return 0;
}
