#include "app/attach.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "app/control_setup.h"
#include "shell/base/control_protocol.h"
#include "shell/base/control_socket.h"
#include "shell/base/convert.h"
#include "shell/ui/terminal/fd_output.h"
#include "shell/ui/terminal/line_editor.h"
#include "shell/ui/terminal/line_reader.h"
#include "shell/ui/terminal/terminal_text.h"

namespace zelmo {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kConnectWait{2000};
// --command: how long it shows what follows, and the pause that ends it early.
constexpr milliseconds kCommandShow{1000};
constexpr milliseconds kCommandQuiet{300};
constexpr const char* kPrompt = "> ";

// The first place that answers; else the reason of the first.
std::optional<int> Connect(const std::string& data_folder) {
  std::string reason;
  for (const std::string& path : ConsoleSocketPaths(data_folder)) {
    try {
      return ConnectControlSocket(path, kConnectWait);
    } catch (const Exception& e) {
      if (reason.empty()) reason = e.what();
    }
  }
  std::cerr << "No ZelmoBot runs on " << data_folder << ": " << reason << std::endl;
  return std::nullopt;
}

bool SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool IsYes(std::string_view answer) {
  const std::string word = LowerCase(TrimBlanks(answer));
  return word == "ok" || word == "y" || word == "yes";
}

// Writes what the bot sends as the headless bot would.
class ConsoleView {
 public:
  ConsoleView()
      : color_(TerminalColorWanted(isatty(STDOUT_FILENO) == 1, std::getenv("NO_COLOR"))) {}

  void SetEditor(LineEditor* editor) { editor_ = editor; }
  bool Attached() const { return attached_; }
  bool Asked() const { return asked_; }
  void Answered();

  // One line from the bot; `show` false drops display lines (the backlog
  // of --command).
  void Take(const std::string& line, bool show);

 private:
  void Write(int fd, const std::string& text) {
    if (editor_ != nullptr) {
      editor_->PrintAbove(fd, text);
    } else {
      WriteFully(fd, text);
    }
  }
  void Ask(const ControlQuestion& question);

  bool color_;
  LineEditor* editor_ = nullptr;
  bool attached_ = false;
  bool asked_ = false;
};

void ConsoleView::Take(const std::string& line, bool show) {
  const auto message = DecodeBotMessage(line);
  if (!message) return;
  if (std::holds_alternative<ControlBacklogEnd>(*message)) {
    attached_ = true;
  } else if (const auto* display = std::get_if<ControlDisplayLine>(&*message)) {
    if (!show) return;
    const std::string escape = color_ ? ForegroundEscape(display->color) : std::string();
    Write(STDOUT_FILENO, escape + TerminalSafeText(display->line) +
                             (escape.empty() ? "" : std::string(kResetEscape)) + "\n");
  } else if (const auto* box = std::get_if<ControlErrorBox>(&*message)) {
    if (show) Write(STDERR_FILENO, TerminalSafeText(box->title + ": " + box->text) + "\n");
  } else if (const auto* notice = std::get_if<ControlNotice>(&*message)) {
    Write(STDERR_FILENO, "ZelmoBot: " + TerminalSafeText(notice->text) + "\n");
  } else if (const auto* question = std::get_if<ControlQuestion>(&*message)) {
    Ask(*question);
  }
}

void ConsoleView::Ask(const ControlQuestion& question) {
  asked_ = true;
  const std::string ask =
      TerminalSafeText(question.title) + ": " + TerminalSafeText(question.text) + " [ok/cancel] ";
  if (editor_ != nullptr) {
    editor_->SetPrompt(ask);
  } else {
    WriteFully(STDERR_FILENO, ask);
  }
}

void ConsoleView::Answered() {
  asked_ = false;
  if (editor_ != nullptr) editor_->SetPrompt(kPrompt);
}

// Reads the bot's lines off the socket; false once the bot closed it.
bool ReadBot(LineReader& from_bot, ConsoleView& view, bool show) {
  const bool open = from_bot.Fill();
  while (auto line = from_bot.Next()) view.Take(*line, show || view.Attached());
  return open;
}

}  // namespace

int RunAttach(const std::string& data_folder) {
  const std::optional<int> fd = Connect(data_folder);
  if (!fd) return 1;
  ConsoleView view;
  LineReader from_bot(*fd);
  LineReader typed(STDIN_FILENO);
  std::unique_ptr<LineEditor> editor;
  if (isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1) {
    std::string why_not;
    editor = OpenLineEditor(
        STDIN_FILENO, STDOUT_FILENO, kPrompt,
        [&](std::optional<std::string> line) {
          if (line) {
            typed.Feed(*line + "\n");
          } else {
            typed.FeedEnd();
          }
        },
        why_not);
    view.SetEditor(editor.get());
  }
  int status = 0;
  for (;;) {
    pollfd fds[2] = {{*fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (poll(fds, typed.Ended() ? 1 : 2, -1) < 0) continue;
    if (fds[0].revents != 0 && !ReadBot(from_bot, view, true)) {
      status = view.Attached() ? 0 : 1;
      break;
    }
    if (typed.Ended() || fds[1].revents == 0) continue;
    if (editor) {
      editor->ReadInput();
    } else {
      typed.Fill();
    }
    bool sent = true;
    while (auto line = typed.Next()) {
      if (view.Asked()) {
        sent = SendAll(*fd, EncodeControl(ControlAnswer{IsYes(*line)}));
        view.Answered();
      } else {
        if (editor && !line->empty()) editor->AddHistory(*line);
        sent = SendAll(*fd, EncodeControl(ControlInput{*line}));
      }
    }
    if (typed.Ended() || !sent) break;
  }
  editor.reset();
  close(*fd);
  return status;
}

int RunCommand(const std::string& data_folder, const std::string& line) {
  const std::optional<int> fd = Connect(data_folder);
  if (!fd) return 1;
  ConsoleView view;
  LineReader from_bot(*fd);
  if (!SendAll(*fd, EncodeControl(ControlInput{line}))) {
    close(*fd);
    return 1;
  }
  const Clock::time_point end = Clock::now() + kCommandShow;
  bool open = true;
  while (open && Clock::now() < end) {
    const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now());
    const milliseconds wait = view.Attached() ? std::min(left, kCommandQuiet) : left;
    pollfd ready{*fd, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(wait.count())) == 0) {
      if (view.Attached()) break;
      continue;
    }
    open = ReadBot(from_bot, view, false);
  }
  close(*fd);
  return view.Attached() ? 0 : 1;
}

}  // namespace zelmo
