#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// The console's line editor on a terminal: arrows, Home/End, Backspace,
// Ctrl-U/Ctrl-W and the other emacs keys edit the line, Up/Down walk the
// session's history, and the event loop keeps polling meanwhile. The
// terminal is in the editor's mode from its opening until its destruction,
// which restores it. Output written through PrintAbove goes above the line
// being typed, which is drawn again below it, untouched.
//
// The editor is libedit's, in a module of its own, so that a bot whose
// console is no terminal (a service, a pipe) maps none of its libraries.
// There is one editor at a time.
class LineEditor {
 public:
  // Receives each line when Enter ends it (without the line end), and
  // nullopt when Ctrl-D is pressed on an empty line.
  using LineHandler = std::function<void(std::optional<std::string>)>;

  virtual ~LineEditor() = default;

  // Takes what the terminal has for the editor; call when the input is
  // readable. May call the line handler.
  virtual void ReadInput() = 0;

  // Writes text (whole lines) to fd above the edit line.
  virtual void PrintAbove(int fd, std::string_view text) = 0;

  // Shows a new prompt; the line typed so far stays.
  virtual void SetPrompt(const std::string& prompt) = 0;
  virtual const std::string& Prompt() const = 0;

  virtual void AddHistory(const std::string& line) = 0;
};

// The module's entry: an editor on the two terminal descriptors, or
// nothing with the reason in why_not.
extern "C" {
using ZelmoEditOpen = LineEditor*(int input_fd, int output_fd, const std::string& prompt,
                                  LineEditor::LineHandler on_line, std::string& why_not);
}

inline constexpr const char* kEditOpenSymbol = "zelmobot_edit_open";
inline constexpr const char* kEditModuleFile = "libzelmobot_edit.so";

// Loads the editor module and opens an editor; nothing, with the reason in
// why_not, when the module cannot be loaded or the editor cannot start.
std::unique_ptr<LineEditor> OpenLineEditor(int input_fd, int output_fd, const std::string& prompt,
                                           LineEditor::LineHandler on_line, std::string& why_not);

}  // namespace zelmo
