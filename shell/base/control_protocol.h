#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "shell/base/colors.h"
#include "shell/base/display_entry.h"

namespace zelmo {

// What goes between a running bot and a console attached to it over its
// control socket: lines of UTF-8 ended by LF, each beginning with a byte that
// says what it is. Line breaks, tabs and backslashes inside a field travel
// escaped ("\n", "\r", "\t", "\\"), so one message is always one line.

// The longest line either side takes; a longer one is cut there.
inline constexpr std::size_t kMaxControlLine = 32 * 1024;

// Bot to console.
struct ControlDisplayLine {  // "L" class digit, colour, " ", the line
  TextClass text_class = Normal;
  TColor color = 0;
  std::string line;
};
struct ControlErrorBox {  // "E" title TAB text
  std::string title, text;
};
struct ControlQuestion {  // "Q" title TAB text; answered by ControlAnswer
  std::string title, text;
};
struct ControlNotice {  // "N" text: about the console itself
  std::string text;
};
struct ControlBacklogEnd {};  // "R": the lines before were the backlog
using BotMessage = std::variant<ControlDisplayLine, ControlErrorBox, ControlQuestion, ControlNotice,
                                ControlBacklogEnd>;

// Console to bot.
struct ControlInput {  // "C" a console input line
  std::string line;
};
struct ControlAnswer {  // "A1" for OK, "A0" for Cancel
  bool ok = false;
};
using ConsoleMessage = std::variant<ControlInput, ControlAnswer>;

// Each with its LF.
std::string EncodeControl(const BotMessage& message);
std::string EncodeControl(const ConsoleMessage& message);

// A line without its LF; none for a line that is no message.
std::optional<BotMessage> DecodeBotMessage(std::string_view line);
std::optional<ConsoleMessage> DecodeConsoleMessage(std::string_view line);

}  // namespace zelmo
