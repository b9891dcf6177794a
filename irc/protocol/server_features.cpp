#include "irc/protocol/server_features.h"

#include "irc/protocol/peer_bounds.h"
#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr std::size_t kDefaultNickLength = 30;

// The CHANMODES group (0: list modes, 2: a parameter when set only), empty
// when not announced.
std::string ChannelModeGroup(const std::optional<std::string>& chanmodes, int group) {
  if (!chanmodes) return {};
  std::size_t start = 0;
  for (int i = 0; i < group; ++i) {
    start = chanmodes->find(',', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  return chanmodes->substr(start, chanmodes->find(',', start) - start);
}

}  // namespace

bool ServerFeatures::Take(std::string_view line_content) {
  bool all_kept = true;
  // The first word is the target (the bot's nick); the trailing text
  // ("are supported by this server") begins with ":".
  std::size_t start = line_content.find(' ');
  while (start != std::string_view::npos) {
    line_content.remove_prefix(start + 1);
    const std::size_t end = line_content.find(' ');
    const std::string_view word = line_content.substr(0, end);
    if (word.starts_with(':')) return all_kept;
    if (word.starts_with('-')) {
      if (auto found = tokens_.find(word.substr(1)); found != tokens_.end()) tokens_.erase(found);
    } else if (!word.empty()) {
      const std::size_t equals = word.find('=');
      const std::string_view name = word.substr(0, equals);
      std::string value(equals == std::string_view::npos ? "" : word.substr(equals + 1));
      if (auto known = tokens_.find(name); known != tokens_.end()) {
        known->second = std::move(value);
      } else if (tokens_.size() < kMaxServerFeatures) {
        tokens_.emplace(std::string(name), std::move(value));
      } else {
        all_kept = false;
      }
    }
    start = end;
  }
  return all_kept;
}

std::optional<std::string> ServerFeatures::Value(const std::string& token) const {
  auto found = tokens_.find(token);
  if (found == tokens_.end()) return std::nullopt;
  return found->second;
}

std::size_t ServerFeatures::NickLength() const {
  const auto value = Value("NICKLEN");
  const auto length = value ? TryStrToInt(*value) : std::nullopt;
  if (!length || *length <= 0) return kDefaultNickLength;
  return static_cast<std::size_t>(*length);
}

std::optional<ServerFeatures::QuietForm> ServerFeatures::QuietMode() const {
  if (ChannelModeGroup(Value("CHANMODES"), 0).find('q') != std::string::npos) {
    return QuietForm{'q', ""};
  }
  // "EXTBAN=~,qjm" or, without a prefix, "EXTBAN=,ACmz".
  const std::optional<std::string> extban = Value("EXTBAN");
  const std::size_t comma = extban ? extban->find(',') : std::string::npos;
  if (comma == std::string::npos || comma > 1) return std::nullopt;
  const std::string prefix = extban->substr(0, comma);
  const std::string letters = extban->substr(comma + 1);
  for (const char letter : {'q', 'm'}) {
    if (letters.find(letter) != std::string::npos) {
      return QuietForm{'b', prefix + letter + ":"};
    }
  }
  return std::nullopt;
}

bool ServerFeatures::OffersJoinThrottle() const {
  return ChannelModeGroup(Value("CHANMODES"), 2).find('j') != std::string::npos;
}

}  // namespace zelmo
