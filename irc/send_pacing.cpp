#include "irc/send_pacing.h"

#include <algorithm>

namespace zelmo {

SendPacing::SendPacing(int burst, Duration interval)
    : burst_(std::max(burst, 1)), interval_(std::max(interval, Duration{0})) {}

bool SendPacing::Push(std::string line, SendKind kind) {
  if (kind == SendKind::Urgent || kind == SendKind::Immediate) {
    urgent_.push_back(std::move(line));
    return false;
  }
  const std::size_t before = Lines();
  MakeRoom(line.size());
  const bool dropped = Lines() < before;
  queued_bytes_ += line.size();
  if (kind == SendKind::CtcpReply) {
    ctcp_replies_.push_back(std::move(line));
  } else {
    queue_.push_back({std::move(line), Duration{0}});
  }
  if (!dropped || dropping_) return false;
  dropping_ = true;
  return true;
}

void SendPacing::Delay(Duration pause, TimePoint now) {
  if (queue_.empty()) {
    held_until_ = std::max(held_until_, now + pause);
  } else {
    queue_.push_back({std::string(), pause});
  }
}

std::optional<std::string> SendPacing::Take(TimePoint now) {
  if (!urgent_.empty()) {
    std::string line = std::move(urgent_.front());
    urgent_.pop_front();
    return line;
  }
  StartPauses(now);
  if (now < TokenAt()) return std::nullopt;
  auto line = TakePaced(now);
  if (!line) return std::nullopt;
  queued_bytes_ -= line->size();
  TakeToken(now);
  StartPauses(now);
  if (Lines() == 0) dropping_ = false;
  return line;
}

std::optional<std::string> SendPacing::TakePaced(TimePoint now) {
  std::string line;
  if (!queue_.empty() && now >= held_until_) {
    line = std::move(queue_.front().line);
    queue_.pop_front();
  } else if (!ctcp_replies_.empty()) {
    line = std::move(ctcp_replies_.front());
    ctcp_replies_.pop_front();
  } else {
    return std::nullopt;
  }
  return line;
}

std::optional<SendPacing::TimePoint> SendPacing::NextDue() const {
  if (!urgent_.empty()) return TimePoint::min();
  if (!ctcp_replies_.empty()) return TokenAt();
  if (queue_.empty()) return std::nullopt;
  return std::max(held_until_, TokenAt());
}

bool SendPacing::SendsAtOnce(TimePoint now) const {
  return interval_.count() == 0 && Lines() == 0 && now >= held_until_;
}

SendPacing::TimePoint SendPacing::TokenAt() const {
  return full_at_ - interval_ * (burst_ - 1);
}

void SendPacing::TakeToken(TimePoint now) {
  full_at_ = std::max(full_at_, now) + interval_;
}

void SendPacing::StartPauses(TimePoint now) {
  while (!queue_.empty() && queue_.front().line.empty()) {
    held_until_ = std::max(held_until_, now + queue_.front().pause);
    queue_.pop_front();
  }
}

void SendPacing::MakeRoom(std::size_t bytes) {
  while (queue_.size() + ctcp_replies_.size() + 1 > kMaxLines ||
         queued_bytes_ + bytes > kMaxBytes) {
    if (!DropOldest()) return;
  }
}

bool SendPacing::DropOldest() {
  if (!ctcp_replies_.empty()) {
    queued_bytes_ -= ctcp_replies_.front().size();
    ctcp_replies_.pop_front();
    return true;
  }
  auto oldest = std::find_if(queue_.begin(), queue_.end(),
                             [](const Entry& entry) { return !entry.line.empty(); });
  if (oldest == queue_.end()) return false;
  queued_bytes_ -= oldest->line.size();
  queue_.erase(oldest);
  return true;
}

}  // namespace zelmo
