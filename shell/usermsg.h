#pragma once

#include <optional>
#include <string>

namespace zelmo {

// What the operator's console commands do; the main form does it.
class ConsoleActions {
 public:
  virtual void ConnectToServer() = 0;
  // None: the configured quit message.
  virtual void DisconnectFromServer(const std::optional<std::string>& quit_text) = 0;
  virtual void LoadConfig() = 0;
  // Asks the window to close; the close confirmation follows.
  virtual void RequestExit() = 0;
  // Empties the display and says who did.
  virtual void ClearDisplay() = 0;
  // The operator's own line in the display.
  virtual void Comment(const std::string& text) = 0;

 protected:
  ~ConsoleActions() = default;
};

// Runs one operator console input, cut to its first kMaxConsoleInput
// characters: CONNECT, DISCONNECT, RELOAD, EXIT, CLEAR, COMMENT or HELP, the
// word in any letter case, arguments after ";". Any other word does nothing.
// Errors go to the caller.
void ConsoleCommand(ConsoleActions& form, const std::string& input);

}  // namespace zelmo
