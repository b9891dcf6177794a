#include "shell/ui/terminal/terminal_port.h"

#include <unistd.h>

#include <cstdlib>

#include "shell/base/convert.h"
#include "shell/base/error_box.h"
#include "shell/base/guarded_call.h"
#include "shell/base/interval_timer.h"
#include "shell/base/termination_signals.h"
#include "shell/ui/terminal/fd_output.h"
#include "shell/ui/terminal/journal_stream.h"
#include "shell/ui/terminal/terminal_text.h"

namespace zelmo {

namespace {

constexpr const char* kConsolePrompt = "> ";
// How long a question waits for an attached console's answer.
constexpr int kConsoleAnswerMs = 60000;

bool IsYes(std::string_view answer) {
  std::string word = LowerCase(TrimBlanks(answer));
  return word == "ok" || word == "y" || word == "yes";
}

}  // namespace

class TerminalPort::Timer : public IntervalTimer {
 public:
  Timer(EventLoop& loop, std::function<void()> on_tick)
      : loop_(loop), id_(loop.AddTimer(std::move(on_tick))) {}
  ~Timer() override { loop_.RemoveTimer(id_); }

 protected:
  void Schedule(int period_ms) override { loop_.SetTimer(id_, period_ms, period_ms > 0); }

 private:
  EventLoop& loop_;
  int id_;
};

TerminalPort::TerminalPort(const TerminalStreams& streams)
    : streams_(streams),
      color_wanted_(TerminalColorWanted(streams.output_is_terminal, std::getenv("NO_COLOR"))),
      input_is_terminal_(isatty(streams.input_fd) == 1),
      reader_(streams.input_fd) {
  loop_.SetErrorHandler([this](std::exception_ptr error) { ShowError(error); });
  if (input_is_terminal_ && streams_.output_is_terminal &&
      tcgetattr(streams_.input_fd, &mode_before_editor_) == 0) {
    std::string why_not;
    editor_ = OpenLineEditor(
        streams_.input_fd, streams_.output_fd, kConsolePrompt,
        [this](std::optional<std::string> line) { TakeEditedLine(line); }, why_not);
    // Without the editor the console still takes whole lines, as from a pipe.
    if (!editor_) WriteFully(streams_.error_fd, "Line editing is off: " + why_not + "\n");
    editing_ = editor_ != nullptr;
  }
  loop_.Watch(streams_.input_fd, [this] { OnInputReady(); });
  input_watched_ = true;
  if (streams_.signal_fd >= 0) loop_.Watch(streams_.signal_fd, [this] { OnSignal(); });
  if (streams_.control_fd >= 0) {
    ControlEvents events;
    events.on_input = [this](int console, const std::string& line) {
      HandConsoleInput(console, line);
    };
    events.on_answer = [this](int console, bool ok) { TakeConsoleAnswer(console, ok); };
    events.on_notice = [this](const std::string& text) {
      const std::string_view lead = streams_.error_is_journal ? SyslogPrefix(Dangerous) : "";
      Write(streams_.error_fd, std::string(lead) + kBoxTitle + ": " + text + "\n");
    };
    control_ = std::make_unique<ControlServer>(loop_, streams_.control_fd, streams_.control_limits,
                                               std::move(events));
  }
}

TerminalPort::~TerminalPort() {
  // The terminal gets its own mode back before anything else goes.
  editing_ = false;
  editor_.reset();
}

void TerminalPort::BeforeHardExit() {
  if (editing_) tcsetattr(streams_.input_fd, TCSANOW, &mode_before_editor_);
}

// An edited line is read as if it had come down a pipe, so it is cut and
// handed on as every input line is.
void TerminalPort::TakeEditedLine(const std::optional<std::string>& line) {
  if (line) {
    reader_.Feed(*line + "\n");
  } else {
    reader_.FeedEnd();
  }
}

void TerminalPort::Write(int fd, std::string_view text) {
  if (editor_) {
    editor_->PrintAbove(fd, text);
  } else {
    WriteFully(fd, text);
  }
}

void TerminalPort::AppendDisplayLine(const std::string& line, TColor color) {
  if (control_) control_->Publish(ControlDisplayLine{Normal, color, line});
  WriteDisplayLine(line, color);
}

void TerminalPort::WriteDisplayLine(const std::string& line, TColor color) {
  std::string escape = color_wanted_ ? ForegroundEscape(color) : std::string();
  std::string out = escape + TerminalSafeText(line);
  if (!escape.empty()) out += kResetEscape;
  out += '\n';
  Write(streams_.output_fd, out);
}

// The journal stamps each line itself, so its lines go without the display's
// stamp, and with their class's priority in front.
void TerminalPort::AppendDisplayEntry(const DisplayEntry& entry) {
  if (control_) control_->Publish(ControlDisplayLine{entry.text_class, entry.color, entry.Line()});
  if (!streams_.output_is_journal) return WriteDisplayLine(entry.Line(), entry.color);
  Write(streams_.output_fd,
        std::string(SyslogPrefix(entry.text_class)) + TerminalSafeText(entry.text) + "\n");
}

// An error text may hold line breaks (a socket error's number and reason are
// two lines): each line is written on a line of its own, under the first.
// In the journal each of them is an entry of its own, so each is an error.
void TerminalPort::ErrorBox(const std::string& title, const std::string& text) {
  if (control_) control_->Publish(ControlErrorBox{title, text});
  const std::string lead(streams_.error_is_journal ? SyslogPrefix(Errorous) : "");
  const std::string head = TerminalSafeText(title) + ": ";
  const std::string indent = lead + std::string(head.size(), ' ');
  std::string out = lead + head;
  std::string_view rest = text;
  for (;;) {
    const std::size_t end = rest.find_first_of("\r\n");
    out += TerminalSafeText(rest.substr(0, end)) + "\n";
    if (end == std::string_view::npos) break;
    const bool crlf = rest.substr(end, 2) == "\r\n";
    rest.remove_prefix(end + (crlf ? 2 : 1));
    out += indent;
  }
  Write(streams_.error_fd, out);
}

void TerminalPort::Balloon(const std::string& title, const std::string& text, BalloonIcon, int) {
  std::string one_line = text;
  for (char& c : one_line) {
    if (c == '\r') c = ' ';
  }
  Write(streams_.error_fd, TerminalSafeText(title) + ": " + TerminalSafeText(one_line) + "\n");
}

bool TerminalPort::Question(const std::string& title, const std::string& text) {
  if (input_console_ != 0) return AskConsole(input_console_, title, text);
  const std::string ask = TerminalSafeText(title) + ": " + TerminalSafeText(text) + " [ok/cancel] ";
  // On a terminal the question is the edit line's prompt until answered.
  const bool asked_in_editor = editor_ != nullptr;
  std::string console_prompt;
  if (editor_) {
    console_prompt = editor_->Prompt();
    editor_->SetPrompt(ask);
  } else {
    WriteFully(streams_.error_fd, ask);
  }
  std::optional<std::string> answer;
  std::optional<std::string>* outer = waiting_answer_;
  waiting_answer_ = &answer;
  DrainInput();
  loop_.RunUntil([&] { return answer.has_value() || !input_watched_ || Stopping(); });
  waiting_answer_ = outer;
  if (asked_in_editor) {
    if (editor_) editor_->SetPrompt(console_prompt);
  } else if (!answer || !input_is_terminal_) {
    // Typing on a terminal ends the prompt line itself; elsewhere end it here.
    WriteFully(streams_.error_fd, "\n");
  }
  // Lines read together with the answer are console input again.
  if (reader_.HasLine()) loop_.Post([this] { DrainInput(); });
  return answer && IsYes(*answer);
}

std::unique_ptr<UiTimer> TerminalPort::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<Timer>(loop_, std::move(on_tick));
}

void TerminalPort::RequestClose() {
  if (closed_) return;
  if (form_ == nullptr || form_->FormCloseQuery()) closed_ = true;
}

void TerminalPort::Run(FormHost& form) {
  form_ = &form;
  if (reader_.HasLine()) loop_.Post([this] { DrainInput(); });
  loop_.RunUntil([this] { return Stopping(); });
  if (shutdown_requested_ && !closed_) {
    closed_ = true;
    Guarded([&] { form.Shutdown(); });
  }
  form_ = nullptr;
}

bool TerminalPort::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  bool expired = false;
  int timer = loop_.AddTimer([&] { expired = true; });
  loop_.SetTimer(timer, static_cast<int>(limit.count()), true);
  loop_.RunUntil([&] { return expired || done(); });
  loop_.RemoveTimer(timer);
  return done();
}

void TerminalPort::OnInputReady() {
  bool open;
  if (editor_) {
    editor_->ReadInput();
    open = !reader_.Ended();
  } else {
    open = reader_.Fill();
  }
  DrainInput();
  if (!open) CloseConsole();
}

void TerminalPort::CloseConsole() {
  if (!input_watched_) return;
  loop_.Unwatch(streams_.input_fd);
  input_watched_ = false;
  editing_ = false;
  editor_.reset();
}

// Hands buffered lines out one at a time: to the innermost open question
// first, else to the form, so a question asked by one input line is
// answered by the next.
void TerminalPort::DrainInput() {
  for (;;) {
    if (waiting_answer_ != nullptr) {
      if (auto line = reader_.Next()) *waiting_answer_ = std::move(*line);
      return;
    }
    if (form_ == nullptr || Stopping()) return;
    auto line = reader_.Next();
    if (!line) return;
    HandInput(*line);
  }
}

void TerminalPort::HandInput(const std::string& line) {
  if (editor_ && !line.empty()) editor_->AddHistory(CutConsoleInput(line));
  const std::string entered = console_.Enter(line);
  Guarded([&] { form_->UserInputEntered(entered); });
}

void TerminalPort::HandConsoleInput(int console, const std::string& line) {
  if (form_ == nullptr || Stopping()) return;
  const int outer = input_console_;
  input_console_ = console;
  Guarded([&] { form_->UserInputEntered(line); });
  input_console_ = outer;
}

// A console that goes, or does not answer in time, cancels.
bool TerminalPort::AskConsole(int console, const std::string& title, const std::string& text) {
  if (!control_->Send(console, ControlQuestion{title, text})) return false;
  std::optional<bool> answer;
  const int outer_console = asking_console_;
  std::optional<bool>* outer_answer = console_answer_;
  asking_console_ = console;
  console_answer_ = &answer;
  RunUntil([&] { return answer.has_value() || !control_->Attached(console) || Stopping(); },
           std::chrono::milliseconds(kConsoleAnswerMs));
  asking_console_ = outer_console;
  console_answer_ = outer_answer;
  return answer.value_or(false);
}

void TerminalPort::TakeConsoleAnswer(int console, bool ok) {
  if (console_answer_ != nullptr && console == asking_console_) *console_answer_ = ok;
}

void TerminalPort::OnSignal() {
  const SignalRequests requests = ReadSignalRequests(streams_.signal_fd);
  if (requests.shutdown) {
    loop_.Unwatch(streams_.signal_fd);
    shutdown_requested_ = true;
    return;
  }
  if (form_ == nullptr || Stopping()) return;
  if (requests.reload) Guarded([this] { form_->ReloadBySignal(); });
  if (requests.reopen_logs) Guarded([this] { form_->ReopenLogs(); });
}

void TerminalPort::ShowError(std::exception_ptr error) {
  ErrorBox(kBoxTitle, ErrorBoxText(error));
}

void TerminalPort::Guarded(const std::function<void()>& action) {
  GuardedUiCall(
      action, [this](const std::string& title, const std::string& text) { ErrorBox(title, text); });
}

}  // namespace zelmo
