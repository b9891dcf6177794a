#include "shell/ui/terminal/line_editor.h"

#include <editline/readline.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <system_error>

#include "shell/ui/terminal/fd_output.h"

namespace zelmo {

namespace {

// The session's history keeps this many lines.
constexpr int kHistoryLength = 1000;

// libedit calls back a plain function with no context: the one editor that
// has the terminal.
LineEditor* active_editor = nullptr;

std::size_t CharacterCount(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// libedit reads characters by the locale's encoding; console input is UTF-8
// whatever the environment says, as the rest of the bot reads it.
void ReadCharactersAsUtf8() {
  std::setlocale(LC_CTYPE, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

FILE* StreamOn(int fd, const char* mode) {
  const int copy = dup(fd);
  FILE* stream = copy < 0 ? nullptr : fdopen(copy, mode);
  if (stream == nullptr) {
    const int error = errno;
    if (copy >= 0) close(copy);
    throw std::system_error(error, std::generic_category(), "line editor");
  }
  return stream;
}

}  // namespace

LineEditor::LineEditor(int input_fd, int output_fd, std::string prompt, LineHandler on_line)
    : output_fd_(output_fd), prompt_(std::move(prompt)), on_line_(std::move(on_line)) {
  // libedit reads and writes through these until the next editor's
  // initialisation, so they stay open for the rest of the process.
  in_ = StreamOn(input_fd, "r");
  out_ = StreamOn(output_fd, "w");
  rl_instream = in_;
  rl_outstream = out_;
  rl_readline_name = "zelmobot";
  ReadCharactersAsUtf8();
  rl_initialize();
  // Tab would complete file names, which no console command takes.
  rl_bind_key('\t', rl_insert);
  clear_history();
  stifle_history(kHistoryLength);
  active_editor = this;
  Install();
}

LineEditor::~LineEditor() {
  EraseLine();
  // Back to the terminal's own line mode.
  rl_callback_handler_remove();
  fflush(out_);
  active_editor = nullptr;
}

void LineEditor::Install() {
  rl_callback_handler_install(prompt_.c_str(), &LineEditor::OnLine);
}

void LineEditor::OnLine(char* line) {
  LineEditor* editor = active_editor;
  std::optional<std::string> text;
  if (line != nullptr) text = std::string(line);
  free(line);
  if (editor == nullptr) return;
  editor->line_ended_ = text.has_value();
  editor->on_line_(std::move(text));
}

void LineEditor::ReadInput() {
  line_ended_ = false;
  rl_callback_read_char();
  // libedit leaves its mode after each line; the next one starts here.
  if (line_ended_) Install();
}

void LineEditor::EraseLine() {
  fflush(out_);
  int rows = 0;
  int columns = 0;
  rl_get_screen_size(&rows, &columns);
  std::size_t caret = CharacterCount(prompt_);
  if (rl_line_buffer != nullptr) {
    const std::string_view typed(rl_line_buffer);
    caret += CharacterCount(typed.substr(0, static_cast<std::size_t>(std::max(rl_point, 0))));
  }
  std::string erase = "\r";
  if (columns > 0 && caret / static_cast<std::size_t>(columns) > 0) {
    erase += "\x1b[" + std::to_string(caret / static_cast<std::size_t>(columns)) + "A";
  }
  erase += "\x1b[J";
  WriteFully(output_fd_, erase);
}

void LineEditor::PrintAbove(int fd, std::string_view text) {
  EraseLine();
  WriteFully(fd, text);
  rl_forced_update_display();
  fflush(out_);
}

void LineEditor::SetPrompt(const std::string& prompt) {
  EraseLine();
  prompt_ = prompt;
  rl_set_prompt(prompt_.c_str());
  rl_forced_update_display();
  fflush(out_);
}

void LineEditor::AddHistory(const std::string& line) {
  if (line == last_history_) return;
  add_history(line.c_str());
  last_history_ = line;
}

}  // namespace zelmo
