#pragma once

#include <memory>
#include <string>

namespace zelmo {

class UiPort;

// What a front end calls on the bot's main form. All calls come on the
// user-interface thread.
class FormHost {
 public:
  virtual ~FormHost() = default;

  // The operator pressed Enter in the input box; the line is the last line
  // of the box that holds text (the front end applies that rule).
  virtual void UserInputEntered(const std::string& line) = 0;

  // The window was asked to close: asks for confirmation and, on OK, shuts
  // down. Returns true when the window may close.
  virtual bool FormCloseQuery() = 0;

  // Shuts down as after OK in the close confirmation, without asking
  // (a termination signal in the terminal front end).
  virtual void Shutdown() = 0;
};

// Creates the main form on a front end's port; the form writes its opening
// lines at once. The port outlives the form.
class FormFactory {
 public:
  virtual ~FormFactory() = default;
  virtual std::unique_ptr<FormHost> CreateForm(UiPort& port) = 0;
};

// The last line of an input box's text that holds text: a last line that is
// still empty (after an earlier Enter) does not count, so the line above it
// is taken. An empty box gives the empty text.
inline std::string LastLineHoldingText(const std::string& box_text) {
  std::size_t end = box_text.size();
  while (end > 0) {
    std::size_t start = box_text.rfind('\n', end - 1);
    start = (start == std::string::npos) ? 0 : start + 1;
    std::string line = box_text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) return line;
    if (start == 0) break;
    end = start - 1;
  }
  return {};
}

}  // namespace zelmo
