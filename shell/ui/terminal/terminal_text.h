#pragma once

#include <string>
#include <string_view>

#include "shell/base/colors.h"

namespace zelmo {

// What people send on IRC ends up in the log, so no byte of it may reach a
// terminal as a control: the text is read as every display text is
// (DecodeDisplayText), C0 controls and DEL become caret notation ("^C", "^[",
// "^?"), C1 controls "\x" and two hex digits, and the other characters are
// written in UTF-8.
std::string TerminalSafeText(std::string_view text);

// Whether display lines get colour codes: only on a terminal, and not when
// the NO_COLOR convention asks for none (set and not empty).
bool TerminalColorWanted(bool output_is_terminal, const char* no_color);

// The 24-bit foreground escape for a display colour, or empty for the
// terminal's own foreground: role colours, clNone, clDefault and pure black
// (the default text colour, unreadable on a dark terminal).
std::string ForegroundEscape(TColor color);

inline constexpr std::string_view kResetEscape = "\x1b[0m";

}  // namespace zelmo
