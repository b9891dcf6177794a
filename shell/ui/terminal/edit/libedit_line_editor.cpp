#include <editline/readline.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <system_error>
#include <type_traits>

#include "shell/ui/terminal/fd_output.h"
#include "shell/ui/terminal/line_editor.h"

namespace zelmo {

namespace {

// The session's history keeps this many lines.
constexpr int kHistoryLength = 1000;

// libedit's readline interface in its callback form; libedit keeps one line
// state per process.
class LibeditLineEditor final : public LineEditor {
 public:
  LibeditLineEditor(int input_fd, int output_fd, std::string prompt, LineHandler on_line);
  ~LibeditLineEditor() override;
  LibeditLineEditor(const LibeditLineEditor&) = delete;
  LibeditLineEditor& operator=(const LibeditLineEditor&) = delete;

  void ReadInput() override;
  void PrintAbove(int fd, std::string_view text) override;
  void SetPrompt(const std::string& prompt) override;
  const std::string& Prompt() const override { return prompt_; }
  void AddHistory(const std::string& line) override;

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

// libedit calls back a plain function with no context: the one editor that
// has the terminal.
LibeditLineEditor* active_editor = nullptr;

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

LibeditLineEditor::LibeditLineEditor(int input_fd, int output_fd, std::string prompt,
                                     LineHandler on_line)
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

LibeditLineEditor::~LibeditLineEditor() {
  EraseLine();
  // Back to the terminal's own line mode.
  rl_callback_handler_remove();
  fflush(out_);
  active_editor = nullptr;
}

void LibeditLineEditor::Install() {
  rl_callback_handler_install(prompt_.c_str(), &LibeditLineEditor::OnLine);
}

void LibeditLineEditor::OnLine(char* line) {
  LibeditLineEditor* editor = active_editor;
  std::optional<std::string> text;
  if (line != nullptr) text = std::string(line);
  free(line);
  if (editor == nullptr) return;
  editor->line_ended_ = text.has_value();
  editor->on_line_(std::move(text));
}

void LibeditLineEditor::ReadInput() {
  line_ended_ = false;
  rl_callback_read_char();
  // libedit leaves its mode after each line; the next one starts here.
  if (line_ended_) Install();
}

void LibeditLineEditor::EraseLine() {
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

void LibeditLineEditor::PrintAbove(int fd, std::string_view text) {
  EraseLine();
  WriteFully(fd, text);
  rl_forced_update_display();
  fflush(out_);
}

void LibeditLineEditor::SetPrompt(const std::string& prompt) {
  EraseLine();
  prompt_ = prompt;
  rl_set_prompt(prompt_.c_str());
  rl_forced_update_display();
  fflush(out_);
}

void LibeditLineEditor::AddHistory(const std::string& line) {
  if (line == last_history_) return;
  add_history(line.c_str());
  last_history_ = line;
}

}  // namespace

}  // namespace zelmo

// The one symbol the module shows.
extern "C" __attribute__((visibility("default"))) zelmo::LineEditor* zelmobot_edit_open(
    int input_fd, int output_fd, const std::string& prompt, zelmo::LineEditor::LineHandler on_line,
    std::string& why_not) {
  static_assert(std::is_same_v<decltype(zelmobot_edit_open), zelmo::ZelmoEditOpen>);
  try {
    return new zelmo::LibeditLineEditor(input_fd, output_fd, prompt, std::move(on_line));
  } catch (const std::exception& error) {
    why_not = error.what();
    return nullptr;
  }
}
