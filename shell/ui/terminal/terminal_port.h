#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell/base/console_input.h"
#include "shell/base/form_host.h"
#include "shell/base/front_end.h"
#include "shell/base/ui_port.h"
#include "shell/ui/terminal/control_server.h"
#include "shell/ui/terminal/event_loop.h"
#include "shell/ui/terminal/line_editor.h"
#include "shell/ui/terminal/line_reader.h"

namespace zelmo {

// Where the terminal front end reads and writes. The program passes 0, 1, 2
// and isatty(1); tests pass pipes.
struct TerminalStreams {
  int input_fd = 0;
  int output_fd = 1;
  int error_fd = 2;
  bool output_is_terminal = false;
  // Readable once a termination signal has arrived; -1 for none.
  int signal_fd = -1;
  // Whether output and error go to the systemd journal, which stamps each
  // line itself and reads a priority off its front.
  bool output_is_journal = false;
  bool error_is_journal = false;
  // A listening control socket that consoles attach to, and its limits;
  // -1 for none. The port takes it over.
  int control_fd = -1;
  ControlLimits control_limits;
};

// The user-interface port of a bot without a window: the display goes to
// standard output, one line each, boxes and notices to standard error, and
// every line of standard input is a console input. When both input and output
// are a terminal, lines are typed in a line editor with the session's
// history, and what the port writes goes above the line being typed. The
// thread that makes the port is its user-interface thread. It is its own
// front end.
class TerminalPort : public UiPort, public FrontEnd {
 public:
  explicit TerminalPort(const TerminalStreams& streams);
  ~TerminalPort() override;

  void AppendDisplayLine(const std::string& line, TColor color) override;
  void AppendDisplayEntry(const DisplayEntry& entry) override;
  void ClearDisplay() override {}
  void SetDisplayBackground(TColor color) override { background_ = color; }
  void SetDisplayFont(const std::string& face) override { font_ = face; }
  // Lines written to the output are gone from the port already.
  void SetDisplayMaxLines(int) override {}
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  bool Question(const std::string& title, const std::string& text) override;
  void ErrorBox(const std::string& title, const std::string& text) override;
  void Balloon(const std::string& title, const std::string& text, BalloonIcon icon,
               int seconds) override;
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) override;
  void PostToUiThread(std::function<void()> task) override { loop_.Post(std::move(task)); }
  void RequestClose() override;
  bool OnUiThread() const override { return loop_.OnLoopThread(); }

  UiPort& Port() override { return *this; }
  // Runs the form's console until the form lets it close, or until a
  // termination signal has shut the form down.
  void Run(FormHost& form) override;
  // Gives the terminal back the mode it had before the line editor.
  void BeforeHardExit() override;

  // Runs the loop until done() holds or the time is up; returns done().
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  bool ConsoleOpen() const { return input_watched_; }
  bool Closed() const { return closed_; }
  const std::string& Caption() const { return caption_; }
  TColor DisplayBackground() const { return background_; }
  const std::string& DisplayFont() const { return font_; }

 private:
  class Timer;

  void OnInputReady();
  void TakeEditedLine(const std::optional<std::string>& line);
  void DrainInput();
  void HandInput(const std::string& line);
  // An attached console's input line; a question it asks goes there.
  void HandConsoleInput(int console, const std::string& line);
  bool AskConsole(int console, const std::string& title, const std::string& text);
  void TakeConsoleAnswer(int console, bool ok);
  void WriteDisplayLine(const std::string& line, TColor color);
  void CloseConsole();
  // Writes to one of the output descriptors, above the edit line if any.
  void Write(int fd, std::string_view text);
  void OnSignal();
  bool Stopping() const { return closed_ || shutdown_requested_; }
  void ShowError(std::exception_ptr error);
  void Guarded(const std::function<void()>& action);

  TerminalStreams streams_;
  bool color_wanted_;
  bool input_is_terminal_;
  EventLoop loop_;
  LineReader reader_;
  FormHost* form_ = nullptr;
  bool input_watched_ = false;
  bool closed_ = false;
  bool shutdown_requested_ = false;
  // The answer slot of the innermost open question.
  std::optional<std::string>* waiting_answer_ = nullptr;
  // Each input line is typed text and Enter.
  ConsoleLines console_;
  TColor background_ = clWindow;
  std::string font_, caption_;
  // Only while the console is open on a terminal.
  std::unique_ptr<LineEditor> editor_;
  // The terminal's mode before the editor, and whether the editor has it
  // now, for a signal thread's last act.
  termios mode_before_editor_{};
  std::atomic<bool> editing_{false};
  // Attached consoles; made after the loop and gone before it.
  std::unique_ptr<ControlServer> control_;
  // The console whose input line runs now (0 for none), and the answer
  // slot of the question open on a console.
  int input_console_ = 0;
  int asking_console_ = 0;
  std::optional<bool>* console_answer_ = nullptr;
};

}  // namespace zelmo
