#pragma once

#include <string>
#include <string_view>

#include "shell/base/colors.h"

namespace zelmo {

// What people send on IRC ends up in the log, so no byte of it may reach a
// terminal as a control: C0 bytes and DEL become caret notation ("^C",
// "^[", "^?"), C1 code points become "\x" and two hex digits. A text that is
// valid UTF-8 keeps its other characters; any other text is read as Latin-1
// and written as UTF-8.
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
