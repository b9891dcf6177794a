#include "irc/server_features.h"

#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr std::size_t kDefaultNickLength = 30;

}  // namespace

void ServerFeatures::Take(std::string_view line_content) {
  // The first word is the target (the bot's nick); the trailing text
  // ("are supported by this server") begins with ":".
  std::size_t start = line_content.find(' ');
  while (start != std::string_view::npos) {
    line_content.remove_prefix(start + 1);
    const std::size_t end = line_content.find(' ');
    const std::string_view word = line_content.substr(0, end);
    if (word.starts_with(':')) return;
    if (word.starts_with('-')) {
      if (auto found = tokens_.find(word.substr(1)); found != tokens_.end()) tokens_.erase(found);
    } else if (!word.empty()) {
      const std::size_t equals = word.find('=');
      std::string value(equals == std::string_view::npos ? "" : word.substr(equals + 1));
      tokens_.insert_or_assign(std::string(word.substr(0, equals)), std::move(value));
    }
    start = end;
  }
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

}  // namespace zelmo
