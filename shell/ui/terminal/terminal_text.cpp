#include "shell/ui/terminal/terminal_text.h"

#include <cstdint>

#include "shell/base/display_text.h"
#include "shell/base/utf8.h"

namespace zelmo {

namespace {

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
  for (char32_t character : DecodeDisplayText(text)) AppendSafe(out, character);
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
