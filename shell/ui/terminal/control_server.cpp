#include "shell/ui/terminal/control_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "shell/base/control_socket.h"

namespace zelmo {

namespace {

// Input lines a console may have waiting; past them it is not read until
// they are handed over.
constexpr std::size_t kMaxWaitingInputs = 64;

// Writes what the socket takes now; returns the bytes written, or -1 when
// the console is gone.
ssize_t WriteNow(int fd, const std::string& bytes) {
  ssize_t wrote;
  do {
    wrote = send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  } while (wrote < 0 && errno == EINTR);
  if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
  return wrote;
}

}  // namespace

ControlServer::ControlServer(EventLoop& loop, int listen_fd, ControlLimits limits,
                             ControlEvents events)
    : loop_(loop), listen_fd_(listen_fd), limits_(limits), events_(std::move(events)) {
  loop_.Watch(listen_fd_, [this] { Accept(); });
}

ControlServer::~ControlServer() {
  for (auto& [id, console] : consoles_) {
    loop_.Unwatch(console.fd);
    loop_.UnwatchWritable(console.fd);
    close(console.fd);
  }
  loop_.Unwatch(listen_fd_);
  close(listen_fd_);
}

ControlServer::Console* ControlServer::Find(int id) {
  auto it = consoles_.find(id);
  return it == consoles_.end() ? nullptr : &it->second;
}

void ControlServer::Accept() {
  const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return;
  if (!PeerIsOwnUser(fd)) return Refuse(fd, "Refused: not the bot's user");
  if (consoles_.size() >= limits_.max_consoles) return Refuse(fd, "Too many consoles");
  const int id = next_id_++;
  consoles_.emplace(id, Console(fd));
  loop_.Watch(fd, [this, id] { Read(id); });
  Console& console = consoles_.find(id)->second;
  for (const std::string& line : backlog_) console.queue += line;
  console.queue += EncodeControl(ControlBacklogEnd{});
  console.bound = limits_.queue_bytes + console.queue.size();
  Flush(id);
}

void ControlServer::Refuse(int fd, const std::string& why) {
  WriteNow(fd, EncodeControl(ControlNotice{why}));
  close(fd);
}

void ControlServer::Publish(const BotMessage& message) {
  const std::string bytes = EncodeControl(message);
  if (limits_.backlog > 0) {
    backlog_.push_back(bytes);
    if (backlog_.size() > limits_.backlog) backlog_.pop_front();
  }
  std::vector<int> ids;
  for (const auto& [id, console] : consoles_) ids.push_back(id);
  for (int id : ids) Queue(id, bytes);
}

bool ControlServer::Send(int id, const BotMessage& message) {
  return Find(id) != nullptr && Queue(id, EncodeControl(message));
}

bool ControlServer::Queue(int id, const std::string& bytes) {
  Console* found = Find(id);
  if (found == nullptr) return false;
  Console& console = *found;
  if (console.queue.size() + bytes.size() > console.bound) {
    Drop(id, "Console " + std::to_string(id) + " fell behind and was detached");
    return false;
  }
  const bool was_empty = console.queue.empty();
  console.queue += bytes;
  if (was_empty) Flush(id);
  return Find(id) != nullptr;
}

void ControlServer::Flush(int id) {
  Console& console = *Find(id);
  const ssize_t wrote = WriteNow(console.fd, console.queue);
  if (wrote < 0) return Drop(id, std::nullopt);
  console.queue.erase(0, static_cast<std::size_t>(wrote));
  if (console.queue.empty()) {
    loop_.UnwatchWritable(console.fd);
  } else {
    loop_.WatchWritable(console.fd, [this, id] { Flush(id); });
  }
}

void ControlServer::Read(int id) {
  Console& console = *Find(id);
  const bool open = console.reader.Fill();
  while (auto line = console.reader.Next()) {
    const auto message = DecodeConsoleMessage(*line);
    if (!message) continue;
    if (const auto* answer = std::get_if<ControlAnswer>(&*message)) {
      if (events_.on_answer) events_.on_answer(id, answer->ok);
      if (Find(id) == nullptr) return;
    } else {
      console.inputs.push_back(std::get<ControlInput>(*message).line);
    }
  }
  if (!open) return Drop(id, std::nullopt);
  if (console.inputs.size() >= kMaxWaitingInputs) {
    loop_.Unwatch(console.fd);
    console.reading = false;
  }
  HandOver(id);
}

// One line at a time, in order; a line's command may run the loop again
// (a question), and lines that come meanwhile wait behind it.
void ControlServer::HandOver(int id) {
  Console* console = Find(id);
  if (console == nullptr || console->handing_over) return;
  console->handing_over = true;
  while (console != nullptr && !console->inputs.empty()) {
    const std::string line = console->lines.Enter(CutConsoleInput(console->inputs.front()));
    console->inputs.pop_front();
    if (events_.on_input) events_.on_input(id, line);
    console = Find(id);
  }
  if (console == nullptr) return;
  console->handing_over = false;
  if (!console->reading) {
    console->reading = true;
    loop_.Watch(console->fd, [this, id] { Read(id); });
  }
}

void ControlServer::Drop(int id, const std::optional<std::string>& notice) {
  Console* console = Find(id);
  if (console == nullptr) return;
  loop_.Unwatch(console->fd);
  loop_.UnwatchWritable(console->fd);
  if (notice) WriteNow(console->fd, EncodeControl(ControlNotice{*notice}));
  close(console->fd);
  consoles_.erase(id);
  if (notice && events_.on_notice) events_.on_notice(*notice);
}

}  // namespace zelmo
