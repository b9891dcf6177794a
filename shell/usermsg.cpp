#include "shell/usermsg.h"

#include <optional>

#include "shell/base/console_input.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "shell/mainunit.h"
#include "users/split_params.h"

namespace zelmo {

namespace {

// The part at an index, raising the list error an out-of-range index gives.
const std::string& PartAt(const std::vector<std::string>& parts, std::size_t index) {
  if (index >= parts.size()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return parts[index];
}

}  // namespace

void ConsoleCommand(TMainForm& form, const std::string& input) {
  std::vector<std::string> parts = SplitParams(CutConsoleInput(input), ";");
  std::string word = UpperCase(parts[0]);
  if (word == "CONNECT") {
    form.ConnectToServer();
  } else if (word == "DISCONNECT") {
    form.DisconnectFromServer(parts.size() > 1 ? std::optional<std::string>(parts[1])
                                               : std::nullopt);
  } else if (word == "RELOAD") {
    form.LoadConfig();
  } else if (word == "EXIT") {
    form.Port.RequestClose();
  } else if (word == "CLEAR") {
    form.MessageDisplay.Clear();
    form.MessageDisplay.DisplayLine("Message display cleared by host");
  } else if (word == "COMMENT") {
    form.MessageDisplay.DisplayColoredLine("Comment by user: " + PartAt(parts, 1), Dangerous);
  }
  // HELP is known and does nothing; other words are no command.
}

}  // namespace zelmo
