#include "shell/base/control_protocol.h"

#include <charconv>

namespace zelmo {

namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// An escape it does not know stands for its second character.
std::string Unescaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
  }
  return out;
}

std::string Pair(char kind, std::string_view title, std::string_view text) {
  return kind + Escaped(title) + '\t' + Escaped(text) + '\n';
}

// "title TAB text"; none without the tab.
template <typename Message>
std::optional<Message> PairFrom(std::string_view body) {
  const std::size_t tab = body.find('\t');
  if (tab == std::string_view::npos) return std::nullopt;
  return Message{Unescaped(body.substr(0, tab)), Unescaped(body.substr(tab + 1))};
}

std::optional<ControlDisplayLine> DisplayLineFrom(std::string_view body) {
  if (body.empty() || body[0] < '0' || body[0] > '3') return std::nullopt;
  ControlDisplayLine line;
  line.text_class = static_cast<TextClass>(body[0] - '0');
  const char* end = body.data() + body.size();
  const auto [at, error] = std::from_chars(body.data() + 1, end, line.color);
  if (error != std::errc() || at == end || *at != ' ') return std::nullopt;
  line.line = Unescaped(std::string_view(at + 1, static_cast<std::size_t>(end - at - 1)));
  return line;
}

struct BotEncoder {
  std::string operator()(const ControlDisplayLine& m) const {
    return 'L' + std::to_string(static_cast<int>(m.text_class)) + std::to_string(m.color) + ' ' +
           Escaped(m.line) + '\n';
  }
  std::string operator()(const ControlErrorBox& m) const { return Pair('E', m.title, m.text); }
  std::string operator()(const ControlQuestion& m) const { return Pair('Q', m.title, m.text); }
  std::string operator()(const ControlNotice& m) const { return 'N' + Escaped(m.text) + '\n'; }
  std::string operator()(const ControlBacklogEnd&) const { return "R\n"; }
};

struct ConsoleEncoder {
  std::string operator()(const ControlInput& m) const { return 'C' + Escaped(m.line) + '\n'; }
  std::string operator()(const ControlAnswer& m) const { return m.ok ? "A1\n" : "A0\n"; }
};

}  // namespace

std::string EncodeControl(const BotMessage& message) {
  return std::visit(BotEncoder{}, message);
}

std::string EncodeControl(const ConsoleMessage& message) {
  return std::visit(ConsoleEncoder{}, message);
}

std::optional<BotMessage> DecodeBotMessage(std::string_view line) {
  if (line.empty()) return std::nullopt;
  const std::string_view body = line.substr(1);
  switch (line[0]) {
    case 'L':
      if (auto m = DisplayLineFrom(body)) return *m;
      return std::nullopt;
    case 'E':
      if (auto m = PairFrom<ControlErrorBox>(body)) return *m;
      return std::nullopt;
    case 'Q':
      if (auto m = PairFrom<ControlQuestion>(body)) return *m;
      return std::nullopt;
    case 'N':
      return ControlNotice{Unescaped(body)};
    case 'R':
      if (body.empty()) return ControlBacklogEnd{};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<ConsoleMessage> DecodeConsoleMessage(std::string_view line) {
  if (line.empty()) return std::nullopt;
  const std::string_view body = line.substr(1);
  if (line[0] == 'C') return ControlInput{Unescaped(body)};
  if (line[0] == 'A' && (body == "1" || body == "0")) return ControlAnswer{body == "1"};
  return std::nullopt;
}

}  // namespace zelmo
