#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// The console's line editor on a terminal, through libedit's readline
// interface in its callback form, so the event loop keeps polling: arrows,
// Home/End, Backspace, Ctrl-U/Ctrl-W and the other emacs keys edit the line,
// Up/Down walk the session's history. The terminal is in the editor's mode
// from construction until destruction, which restores it. Output written
// through PrintAbove goes above the line being typed, which is drawn again
// below it, untouched.
//
// libedit keeps one line state per process, so there is one editor at a
// time.
class LineEditor {
 public:
  // Receives each line when Enter ends it (without the line end), and
  // nullopt when Ctrl-D is pressed on an empty line.
  using LineHandler = std::function<void(std::optional<std::string>)>;

  LineEditor(int input_fd, int output_fd, std::string prompt, LineHandler on_line);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // Takes what the terminal has for the editor; call when input_fd is
  // readable. May call the line handler.
  void ReadInput();

  // Writes text (whole lines) to fd above the edit line.
  void PrintAbove(int fd, std::string_view text);

  // Shows a new prompt; the line typed so far stays.
  void SetPrompt(const std::string& prompt);
  const std::string& Prompt() const { return prompt_; }

  void AddHistory(const std::string& line);

 private:
  static void OnLine(char* line);
  void Install();
  // Takes the edit line off the screen, leaving the cursor where it began.
  void EraseLine();

  int output_fd_;
  std::string prompt_;
  LineHandler on_line_;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
  bool line_ended_ = false;
  std::string last_history_;
};

}  // namespace zelmo
