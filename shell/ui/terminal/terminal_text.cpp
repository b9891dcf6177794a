#include "shell/ui/terminal/terminal_text.h"

#include <cstdint>
#include <optional>

namespace zelmo {

namespace {

// Length of the UTF-8 sequence at the start of the text with its code point,
// or nothing for a malformed, overlong, surrogate or out-of-range sequence.
struct CodePoint {
  char32_t value;
  std::size_t length;
};

std::optional<CodePoint> DecodeUtf8(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::uint8_t lead = byte(0);
  if (lead < 0x80) return CodePoint{lead, 1};
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF) return std::nullopt;
  if (value >= 0xD800 && value <= 0xDFFF) return std::nullopt;
  return CodePoint{value, length};
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    auto point = DecodeUtf8(text);
    if (!point) return false;
    text.remove_prefix(point->length);
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | (value >> 12));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (value >> 18));
    out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

// Writes one code point, turning the terminal's control characters into
// visible text.
void AppendSafe(std::string& out, char32_t value) {
  if (value < 0x20 || value == 0x7F) {
    out += '^';
    out += static_cast<char>(value ^ 0x40);
  } else if (value >= 0x80 && value <= 0x9F) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[value >> 4];
    out += kHex[value & 0x0F];
  } else {
    AppendUtf8(out, value);
  }
}

}  // namespace

std::string TerminalSafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  if (IsValidUtf8(text)) {
    while (!text.empty()) {
      CodePoint point = *DecodeUtf8(text);
      AppendSafe(out, point.value);
      text.remove_prefix(point.length);
    }
  } else {
    for (char c : text) AppendSafe(out, static_cast<std::uint8_t>(c));
  }
  return out;
}

bool TerminalColorWanted(bool output_is_terminal, const char* no_color) {
  return output_is_terminal && (no_color == nullptr || *no_color == '\0');
}

std::string ForegroundEscape(TColor color) {
  // Negative values are role colours (or nothing a terminal can show), and
  // the two special values stand for the default colour.
  if (color < 0 || color == clNone || color == clDefault) return {};
  std::uint32_t rgb = ColorToRgb(color & 0xFFFFFF);
  if (rgb == 0) return {};
  return "\x1b[38;2;" + std::to_string(rgb >> 16) + ";" + std::to_string((rgb >> 8) & 0xFF) + ";" +
         std::to_string(rgb & 0xFF) + "m";
}

}  // namespace zelmo
