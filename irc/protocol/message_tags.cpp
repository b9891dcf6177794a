#include "irc/protocol/message_tags.h"

#include <algorithm>

namespace zelmo {

namespace {

char Unescaped(char escaped) {
  switch (escaped) {
    case ':':
      return ';';
    case 's':
      return ' ';
    case 'r':
      return '\r';
    case 'n':
      return '\n';
    default:
      return escaped;
  }
}

}  // namespace

TaggedLine SplitMessageTags(std::string_view line) {
  if (!line.starts_with('@')) return {{}, line};
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return {{}, {}};
  std::string_view rest = line.substr(blank + 1);
  // Blanks between the parts are one separator.
  rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
  if (blank + 1 > kMaxTagPartBytes) return {{}, rest};
  return {line.substr(1, blank - 1), rest};
}

std::string UnescapeTagValue(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      text += value[i];
    } else if (i + 1 < value.size()) {
      text += Unescaped(value[++i]);
    }
  }
  return text;
}

MessageTags ParseMessageTags(std::string_view tags) {
  MessageTags decoded;
  while (!tags.empty()) {
    const std::size_t end = std::min(tags.find(';'), tags.size());
    const std::string_view tag = tags.substr(0, end);
    tags.remove_prefix(std::min(end + 1, tags.size()));
    const std::size_t equals = tag.find('=');
    if (tag.substr(0, equals) != "account") continue;
    std::string value =
        equals == std::string_view::npos ? std::string() : UnescapeTagValue(tag.substr(equals + 1));
    decoded.account = value.empty() ? std::nullopt : std::optional(std::move(value));
  }
  return decoded;
}

}  // namespace zelmo
