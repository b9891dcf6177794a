#include "irc/protocol/ctcp.h"

#include <array>

namespace zelmo {

namespace {

constexpr std::array<std::string_view, 10> kCtcpWords = {
    "ACTION",  "SOUND",      "PING", "FINGER", "USERINFO",
    "VERSION", "CLIENTINFO", "TIME", "ERROR",  "DCC"};

constexpr std::array<std::string_view, 4> kDccWords = {"SEND", "CHAT", "RESUME", "ACCEPT"};

template <std::size_t N>
int IndexIn(const std::array<std::string_view, N>& table, std::string_view word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i] == word) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

bool IsCtcpMessage(std::string_view text) {
  return !text.empty() && text[0] == kCtcpDelimiter;
}

std::optional<CtcpMessage> ParseCtcp(std::string_view text) {
  if (!IsCtcpMessage(text)) return std::nullopt;
  // Everything between the leading \001 and the last character.
  std::string_view body = text.substr(1, text.size() >= 2 ? text.size() - 2 : 0);
  std::size_t blank = text.find(' ');
  CtcpMessage message;
  if (blank == std::string_view::npos) {
    message.Command.assign(body);
    return message;
  }
  message.Command.assign(text.substr(1, blank - 1));
  // A blank in the last position leaves nothing between it and the end.
  if (blank + 1 < text.size())
    message.Arguments.assign(text.substr(blank + 1, text.size() - blank - 2));
  return message;
}

int CtcpWordIndex(std::string_view command) {
  return IndexIn(kCtcpWords, command);
}

DccRequest::DccRequest(std::string_view arguments) {
  for (;;) {
    std::size_t blank = arguments.find(' ');
    if (blank == std::string_view::npos) {
      words_.emplace_back(arguments);
      return;
    }
    words_.emplace_back(arguments.substr(0, blank));
    arguments.remove_prefix(blank + 1);
  }
}

const std::string& DccRequest::Word(std::size_t index) const {
  static const std::string kNone;
  return index < words_.size() ? words_[index] : kNone;
}

int DccRequest::Kind() const {
  return IndexIn(kDccWords, Word(0));
}

}  // namespace zelmo
