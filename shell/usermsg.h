#pragma once

#include <string>

namespace zelmo {

class TMainForm;

// The longest console input taken; the rest of a longer line is dropped.
inline constexpr std::size_t kMaxConsoleInput = 4096;

// Runs one operator console input: CONNECT, DISCONNECT, RELOAD, EXIT, CLEAR,
// COMMENT or HELP, the word in any letter case, arguments after ";". Any
// other word does nothing. Errors go to the caller.
void ConsoleCommand(TMainForm& form, const std::string& input);

}  // namespace zelmo
