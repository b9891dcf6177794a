#include "shell/ui/terminal/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zelmo {

LineReader::LineReader(int fd) : fd_(fd) {}

bool LineReader::Fill() {
  if (ended_) return false;
  char buffer[65536];
  ssize_t count;
  do {
    count = read(fd_, buffer, sizeof buffer);
  } while (count < 0 && errno == EINTR);
  if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
  if (count <= 0) {
    FeedEnd();
    return false;
  }
  Feed(std::string_view(buffer, static_cast<std::size_t>(count)));
  return true;
}

void LineReader::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    std::size_t newline = bytes.find('\n');
    std::string_view piece = bytes.substr(0, newline);
    std::size_t room = kMaxConsoleInputBytes - partial_.size();
    if (piece.size() > room) overflow_ = true;
    partial_.append(piece.substr(0, room));
    if (newline == std::string_view::npos) return;
    // A CR that was cut off with the overflow was no line ending of ours.
    if (!overflow_ && !partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    EndLine();
    bytes.remove_prefix(newline + 1);
  }
}

void LineReader::FeedEnd() {
  if (ended_) return;
  if (!partial_.empty() || overflow_) EndLine();
  ended_ = true;
}

void LineReader::EndLine() {
  lines_.push_back(std::move(partial_));
  partial_.clear();
  overflow_ = false;
}

std::optional<std::string> LineReader::Next() {
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

}  // namespace zelmo
