#include "shell/usermsg.h"

#include <array>
#include <string_view>
#include <vector>

#include "shell/base/console_input.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "users/split_params.h"

namespace zelmo {

namespace {

using ConsoleParts = std::vector<std::string>;

// The part at an index, raising the list error an out-of-range index gives.
const std::string& PartAt(const ConsoleParts& parts, std::size_t index) {
  if (index >= parts.size()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return parts[index];
}

// One row of the console's table: the upper-cased word and what it runs.
struct ConsoleWord {
  std::string_view word;
  void (*handler)(ConsoleActions& form, const ConsoleParts& parts);
};

constexpr std::array<ConsoleWord, 7> kConsoleWords{{
    {"CONNECT", [](ConsoleActions& form, const ConsoleParts&) { form.ConnectToServer(); }},
    {"DISCONNECT",
     [](ConsoleActions& form, const ConsoleParts& parts) {
       form.DisconnectFromServer(parts.size() > 1 ? std::optional(parts[1]) : std::nullopt);
     }},
    {"RELOAD", [](ConsoleActions& form, const ConsoleParts&) { form.LoadConfig(); }},
    {"EXIT", [](ConsoleActions& form, const ConsoleParts&) { form.RequestExit(); }},
    {"CLEAR", [](ConsoleActions& form, const ConsoleParts&) { form.ClearDisplay(); }},
    {"COMMENT",
     [](ConsoleActions& form, const ConsoleParts& parts) { form.Comment(PartAt(parts, 1)); }},
    // Known, and does nothing: the console has no help text.
    {"HELP", [](ConsoleActions&, const ConsoleParts&) {}},
}};

}  // namespace

void ConsoleCommand(ConsoleActions& form, const std::string& input) {
  const ConsoleParts parts = SplitParams(CutConsoleInput(input), ";");
  const std::string word = UpperCase(parts[0]);
  for (const ConsoleWord& command : kConsoleWords) {
    if (command.word == word) {
      command.handler(form, parts);
      return;
    }
  }
}

}  // namespace zelmo
