#include "irc/protocol/send_pacing.h"

#include <algorithm>
#include <utility>

namespace zelmo {

namespace {

// Starts the pauses that have reached the front of the lane: the lines
// before them have gone out.
template <typename Lane, typename TimePoint>
void StartPauses(Lane& lane, TimePoint now) {
  while (!lane.entries.empty() && lane.entries.front().is_pause) {
    lane.held_until = std::max(lane.held_until, now + lane.entries.front().pause);
    lane.entries.pop_front();
  }
}

}  // namespace

SendPacing::SendPacing(int burst, Duration interval)
    : burst_(std::max(burst, 1)), interval_(std::max(interval, Duration{0})) {}

SendDrops SendPacing::Push(std::string line, SendKind kind, const std::string& requester) {
  ++lines_;
  bytes_ += line.size();
  if (kind == SendKind::Urgent || kind == SendKind::Immediate) {
    urgent_.push_back(std::move(line));
    if (urgent_.size() > kMaxUrgentLines) {
      Forget(urgent_.front());
      urgent_.pop_front();
    }
  } else if (kind == SendKind::CtcpReply) {
    ctcp_replies_.push_back(std::move(line));
  } else {
    Lane& lane = LaneFor(kind, requester);
    if (&lane != &own_ && lane.lines == 0) turns_.push_back(requester);
    lane.entries.push_back({std::move(line)});
    ++lane.lines;
  }
  return MakeRoom();
}

void SendPacing::Delay(Duration pause, TimePoint now, const std::string& requester) {
  if (!requester.empty() && !replies_.contains(requester)) ForgetIdleLanes(now);
  Lane& lane = LaneFor(SendKind::Paced, requester);
  if (lane.lines == 0) {
    lane.held_until = std::max(lane.held_until, now + pause);
  } else if (lane.entries.back().is_pause) {
    lane.entries.back().pause = std::max(lane.entries.back().pause, pause);
  } else {
    lane.entries.push_back({{}, true, pause});
  }
}

std::optional<std::string> SendPacing::Take(TimePoint now) {
  std::optional<std::string> line;
  if (!urgent_.empty()) {
    line = std::move(urgent_.front());
    urgent_.pop_front();
  } else if (now >= TokenAt()) {
    line = TakeFrom(own_, now);
    if (!line) line = TakeReply(now);
    if (!line && !ctcp_replies_.empty()) {
      line = std::move(ctcp_replies_.front());
      ctcp_replies_.pop_front();
    }
    if (line) TakeToken(now);
  }
  if (line) Forget(*line);
  return line;
}

std::optional<std::string> SendPacing::TakeFrom(Lane& lane, TimePoint now) {
  StartPauses(lane, now);
  if (lane.lines == 0 || now < lane.held_until) return std::nullopt;
  std::string line = std::move(lane.entries.front().line);
  lane.entries.pop_front();
  --lane.lines;
  StartPauses(lane, now);
  return line;
}

// The first requester in turn whose line is due goes, and waits at the back
// for its next turn.
std::optional<std::string> SendPacing::TakeReply(TimePoint now) {
  for (auto turn = turns_.begin(); turn != turns_.end(); ++turn) {
    Lane& lane = replies_.at(*turn);
    auto line = TakeFrom(lane, now);
    if (!line) continue;
    std::string requester = std::move(*turn);
    turns_.erase(turn);
    if (lane.lines > 0) {
      turns_.push_back(std::move(requester));
    } else if (lane.held_until <= now) {
      replies_.erase(requester);
    }
    return line;
  }
  return std::nullopt;
}

std::optional<SendPacing::TimePoint> SendPacing::NextDue() const {
  if (!urgent_.empty()) return TimePoint::min();
  std::optional<TimePoint> free;  // when the first lane is no longer held
  auto consider = [&free](const Lane& lane) {
    if (lane.lines > 0) free = std::min(free.value_or(TimePoint::max()), lane.held_until);
  };
  consider(own_);
  for (const std::string& requester : turns_) consider(replies_.at(requester));
  if (!ctcp_replies_.empty()) free = TimePoint::min();
  if (!free) return std::nullopt;
  return std::max(*free, TokenAt());
}

bool SendPacing::SendsAtOnce(TimePoint now, SendKind kind, const std::string& requester) const {
  if (interval_.count() != 0 || lines_ != 0) return false;
  if (kind != SendKind::Paced && kind != SendKind::Priority) return true;
  const Lane* lane = FindLane(kind, requester);
  return !lane || now >= lane->held_until;
}

SendPacing::Lane& SendPacing::LaneFor(SendKind kind, const std::string& requester) {
  if (kind == SendKind::Priority || requester.empty()) return own_;
  return replies_[requester];
}

std::size_t SendPacing::LinesOf(const std::string& requester) const {
  const Lane* lane = FindLane(SendKind::Paced, requester);
  return lane ? lane->lines : 0;
}

const SendPacing::Lane* SendPacing::FindLane(SendKind kind, const std::string& requester) const {
  if (kind == SendKind::Priority || requester.empty()) return &own_;
  auto found = replies_.find(requester);
  return found == replies_.end() ? nullptr : &found->second;
}

SendPacing::TimePoint SendPacing::TokenAt() const {
  return full_at_ - interval_ * (burst_ - 1);
}

void SendPacing::TakeToken(TimePoint now) {
  full_at_ = std::max(full_at_, now) + interval_;
}

// A line leaves the queue; once the queue is empty, the next drop is told
// again.
void SendPacing::Forget(const std::string& line) {
  --lines_;
  bytes_ -= line.size();
  if (lines_ > 0) return;
  told_ctcp_ = false;
  told_own_ = false;
  told_requesters_.clear();
}

SendDrops SendPacing::MakeRoom() {
  SendDrops drops;
  while (lines_ - urgent_.size() > kMaxLines || bytes_ > kMaxBytes) {
    if (!DropOne(drops)) break;
  }
  return drops;
}

bool SendPacing::DropOne(SendDrops& drops) {
  if (!ctcp_replies_.empty()) {
    Forget(ctcp_replies_.front());
    ctcp_replies_.pop_front();
    drops.ctcp_replies = drops.ctcp_replies || !std::exchange(told_ctcp_, true);
  } else if (!turns_.empty()) {
    DropFromBiggestRequester(drops);
  } else if (own_.lines > 0) {
    DropOldest(own_);
    drops.own_lines = drops.own_lines || !std::exchange(told_own_, true);
  } else if (!urgent_.empty()) {
    Forget(urgent_.front());
    urgent_.pop_front();
  } else {
    return false;
  }
  return true;
}

// The requester with the most lines queued loses one; of several as big,
// the one whose turn comes last.
void SendPacing::DropFromBiggestRequester(SendDrops& drops) {
  auto biggest = turns_.begin();
  for (auto turn = turns_.begin(); turn != turns_.end(); ++turn) {
    if (replies_.at(*turn).lines >= replies_.at(*biggest).lines) biggest = turn;
  }
  const std::string requester = *biggest;
  Lane& lane = replies_.at(requester);
  DropOldest(lane);
  if (lane.lines == 0) {
    turns_.erase(biggest);
    replies_.erase(requester);
  }
  if (!told_requesters_.contains(requester) && told_requesters_.size() < kMaxToldRequesters) {
    told_requesters_.insert(requester);
    drops.requesters.push_back(requester);
  }
}

// The pauses in front of the oldest line go with it, so a flood that keeps
// losing lines cannot pile up pauses.
void SendPacing::DropOldest(Lane& lane) {
  auto oldest = std::find_if(lane.entries.begin(), lane.entries.end(),
                             [](const Entry& entry) { return !entry.is_pause; });
  Forget(oldest->line);
  lane.entries.erase(lane.entries.begin(), oldest + 1);
  if (--lane.lines == 0) lane.entries.clear();
}

// A pause asked for a requester with nothing queued keeps a lane of its own;
// lanes whose pause has ended are dropped before another one is made.
void SendPacing::ForgetIdleLanes(TimePoint now) {
  std::erase_if(replies_, [now](const auto& item) {
    return item.second.lines == 0 && item.second.held_until <= now;
  });
}

}  // namespace zelmo
