#include "irc/protocol/capabilities.h"

#include <array>

namespace zelmo {

namespace {

constexpr std::size_t kAuthenticateChunk = 400;

// The words of a line's content; a word beginning with ":" takes the rest.
std::vector<std::string_view> Parameters(std::string_view content) {
  std::vector<std::string_view> words;
  while (!content.empty()) {
    if (content.front() == ':') {
      words.push_back(content.substr(1));
      break;
    }
    const std::size_t blank = content.find(' ');
    if (blank != 0) words.push_back(content.substr(0, blank));
    if (blank == std::string_view::npos) break;
    content.remove_prefix(blank + 1);
  }
  return words;
}

std::vector<std::string> Tokens(std::string_view list) {
  std::vector<std::string> tokens;
  while (!list.empty()) {
    const std::size_t blank = list.find(' ');
    if (blank != 0) tokens.emplace_back(list.substr(0, blank));
    if (blank == std::string_view::npos) break;
    list.remove_prefix(blank + 1);
  }
  return tokens;
}

std::string_view NameOf(std::string_view token) {
  return token.substr(0, token.find('='));
}

}  // namespace

std::optional<CapReply> ParseCapReply(std::string_view content) {
  const std::vector<std::string_view> words = Parameters(content);
  if (words.size() < 2) return std::nullopt;
  CapReply reply;
  reply.subcommand.assign(words[1]);
  std::size_t list = 2;
  if (words.size() > 3 && words[2] == "*") {
    reply.more = true;
    list = 3;
  }
  if (words.size() > list) reply.tokens = Tokens(words[list]);
  return reply;
}

std::optional<std::string> CapabilityValue(const std::vector<std::string>& tokens,
                                           std::string_view name) {
  for (const std::string& token : tokens) {
    if (NameOf(token) != name) continue;
    const std::size_t equals = token.find('=');
    return equals == std::string::npos ? std::string() : token.substr(equals + 1);
  }
  return std::nullopt;
}

bool CapabilityAcknowledged(const std::vector<std::string>& tokens, std::string_view name) {
  for (std::string_view token : tokens) {
    // Older servers mark modifiers with "~" and "="; they still enable it.
    while (!token.empty() && (token.front() == '~' || token.front() == '=')) {
      token.remove_prefix(1);
    }
    if (NameOf(token) == name) return true;
  }
  return false;
}

std::optional<std::string> ParseAuthenticate(std::string_view content) {
  const std::vector<std::string_view> words = Parameters(content);
  if (words.empty()) return std::nullopt;
  return std::string(words.front());
}

std::string Base64Encode(std::string_view bytes) {
  static constexpr std::string_view kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::array<unsigned, 3> group{};
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    for (std::size_t k = 0; k < count; ++k) group[k] = static_cast<unsigned char>(bytes[i + k]);
    const unsigned value = group[0] << 16 | group[1] << 8 | group[2];
    out += kDigits[value >> 18 & 63];
    out += kDigits[value >> 12 & 63];
    out += count > 1 ? kDigits[value >> 6 & 63] : '=';
    out += count > 2 ? kDigits[value & 63] : '=';
  }
  return out;
}

std::vector<std::string> AuthenticateLines(std::string_view response) {
  const std::string encoded = Base64Encode(response);
  std::vector<std::string> lines;
  std::string_view rest = encoded;
  while (!rest.empty()) {
    lines.push_back("AUTHENTICATE " + std::string(rest.substr(0, kAuthenticateChunk)));
    rest.remove_prefix(std::min(rest.size(), kAuthenticateChunk));
  }
  if (encoded.size() % kAuthenticateChunk == 0) lines.emplace_back("AUTHENTICATE +");
  return lines;
}

std::string SaslPlainResponse(std::string_view user, std::string_view password) {
  std::string response(user);
  response += '\0';
  response += user;
  response += '\0';
  response += password;
  return response;
}

}  // namespace zelmo
