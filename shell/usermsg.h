#pragma once

#include <string>

namespace zelmo {

class TMainForm;

// Runs one operator console input, cut to its first kMaxConsoleInput
// characters: CONNECT, DISCONNECT, RELOAD, EXIT, CLEAR, COMMENT or HELP, the
// word in any letter case, arguments after ";". Any other word does nothing.
// Errors go to the caller.
void ConsoleCommand(TMainForm& form, const std::string& input);

}  // namespace zelmo
