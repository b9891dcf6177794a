#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "shell/base/console_input.h"
#include "shell/base/control_protocol.h"
#include "shell/ui/terminal/event_loop.h"
#include "shell/ui/terminal/line_reader.h"

namespace zelmo {

struct ControlLimits {
  // Display lines and error boxes a console gets on attaching.
  std::size_t backlog = 200;
  std::size_t max_consoles = 8;
  // Bytes waiting for one console; past them the console is dropped.
  std::size_t queue_bytes = 1024 * 1024;
};

// What the server tells its owner, on the loop's thread.
struct ControlEvents {
  // A console's input line, as Enter hands it over (ConsoleLines).
  std::function<void(int console, const std::string& line)> on_input;
  std::function<void(int console, bool ok)> on_answer;
  // Something the bot's operator should know (a console was dropped).
  std::function<void(const std::string& text)> on_notice;
};

// The bot's end of the control socket: consoles attach, get the backlog and
// then every display line and error box, and send input lines and answers.
// Everything runs on the event loop's thread: the listening socket and each
// console are watched by the loop, and no write ever waits; a console that
// does not take its lines fast enough is dropped once its queue is full.
class ControlServer {
 public:
  // Takes the listening descriptor (non-blocking).
  ControlServer(EventLoop& loop, int listen_fd, ControlLimits limits, ControlEvents events);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // To every console, and kept for consoles to come.
  void Publish(const BotMessage& message);
  // To one console; false when it is gone.
  bool Send(int console, const BotMessage& message);
  bool Attached(int console) const { return consoles_.count(console) != 0; }
  std::size_t ConsoleCount() const { return consoles_.size(); }

 private:
  struct Console {
    explicit Console(int descriptor) : fd(descriptor), reader(descriptor) {}
    int fd;
    LineReader reader;
    ConsoleLines lines;
    // Input lines not handed over yet: a question that one of them asked
    // waits for its answer, which comes behind them.
    std::deque<std::string> inputs;
    bool handing_over = false;
    bool reading = true;
    std::string queue;
    // The queue's bound: the limit, and room for the backlog it began with.
    std::size_t bound = 0;
  };

  void Accept();
  // Tells a connection why it is refused and closes it.
  static void Refuse(int fd, const std::string& why);
  void Read(int id);
  void HandOver(int id);
  Console* Find(int id);
  void Flush(int id);
  // Queues the bytes; false when that dropped the console.
  bool Queue(int id, const std::string& bytes);
  void Drop(int id, const std::optional<std::string>& notice);

  EventLoop& loop_;
  int listen_fd_;
  ControlLimits limits_;
  ControlEvents events_;
  std::deque<std::string> backlog_;
  std::map<int, Console> consoles_;
  int next_id_ = 1;
};

}  // namespace zelmo
