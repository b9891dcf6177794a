#include "irc/protocol/irc_line.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace zelmo {

namespace {

std::string_view Cut(std::string_view text) {
  return text.substr(0, kMaxLinePart);
}

// The text after the blank at `blank`, cut to the line limit.
std::string_view After(std::string_view text, std::size_t blank) {
  return Cut(text.substr(blank + 1));
}

// Returns the rest of the line behind the prefix.
std::string_view SplitPrefix(std::string_view line, ParsedLine& parsed) {
  std::string& prefix = parsed.ParamTable[0];
  prefix.clear();
  if (line.empty() || line[0] != ':') return line;
  std::size_t blank = line.find(' ');
  // Without a blank there is no prefix to take: the whole line is the rest.
  if (blank == std::string_view::npos) return line;
  std::string_view prefix_view = line.substr(1, blank - 1);
  prefix.assign(prefix_view);
  std::size_t bang = prefix_view.find('!');
  // The nick is cut too: a channel record keeps the nick of every member.
  if (bang == std::string_view::npos) {
    parsed.SenderAddress.assign(Cut(prefix_view));
  } else {
    parsed.SenderNick.assign(Cut(prefix_view.substr(0, bang)));
    parsed.SenderAddress.assign(Cut(prefix_view.substr(bang + 1)));
  }
  return After(line, blank);
}

std::string_view SplitCommand(std::string_view rest, ParsedLine& parsed) {
  std::size_t blank = rest.find(' ');
  if (blank != std::string_view::npos) {
    parsed.CommandText.assign(rest.substr(0, blank));
    rest = After(rest, blank);
  }
  parsed.ParamTable[1].assign(parsed.CommandText);
  parsed.LineContent.assign(rest);
  return rest;
}

void SplitParameterSlots(std::string_view rest, ParamSlots& slots) {
  std::size_t i = 2;
  for (; !rest.empty() && i < kParamSlots; ++i) {
    std::string& slot = slots[i];
    if (rest[0] == ':') {
      slot.assign(rest.substr(1));
      rest = {};
      continue;
    }
    std::size_t blank = rest.find(' ');
    if (i == kParamSlots - 1 || blank == std::string_view::npos) {
      slot.assign(Cut(rest));
      rest = {};
    } else {
      slot.assign(rest.substr(0, blank));
      rest = After(rest, blank);
    }
  }
  for (; i < kParamSlots; ++i) slots[i].clear();
}

}  // namespace

void SplitLine(std::string_view line, ParsedLine& parsed) {
  parsed.SenderNick.clear();
  parsed.SenderAddress.clear();
  parsed.CommandText.clear();
  parsed.LineContent.clear();
  std::string_view rest = SplitPrefix(line, parsed);
  rest = SplitCommand(rest, parsed);
  SplitParameterSlots(rest, parsed.ParamTable);
}

std::string JoinSlots(const ParamSlots& slots, std::size_t first) {
  std::string joined = slots[first];
  for (std::size_t slot = first + 1; slot < kParamSlots; ++slot) {
    if (!slots[slot].empty()) joined += " " + slots[slot];
  }
  return joined;
}

bool IsChannelName(std::string_view target) {
  if (target.empty()) return false;
  char first = target[0];
  return first == '!' || first == '#' || first == '&' || first == '+';
}

bool IsValidNick(std::string_view nick, std::size_t longest) {
  if (nick.empty() || nick.size() > longest) return false;
  const char first = nick[0];
  if (first == '#' || first == '&' || first == ':' || (first >= '0' && first <= '9')) return false;
  // A control character (CTCP's \001, colour codes, DEL) would be written
  // into Config.ini and into every line that names the bot.
  return std::ranges::none_of(nick, [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == ' ' || byte < 0x20 || byte == 0x7F;
  });
}

std::optional<int> ReplyNumber(std::string_view command_text) {
  // The integer reading of the INI store would take "x01" or "$1" as hex.
  if (command_text.empty()) return std::nullopt;
  if (command_text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  std::int32_t number = 0;
  const char* end = command_text.data() + command_text.size();
  auto [stop, error] = std::from_chars(command_text.data(), end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  return number;
}

}  // namespace zelmo
