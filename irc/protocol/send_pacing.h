#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelmo {

// How an outgoing line waits for its turn on the wire.
enum class SendKind {
  Paced,      // at the pace: with a requester in that person's turn among the
              // others', without one (the bot's own lines) ahead of them all
  Priority,   // at the pace, in order with the bot's own lines whoever asked
              // for it (moderation: MODE, KICK)
  CtcpReply,  // at the pace, once no other paced line is due; the first lines
              // dropped from a full queue
  Urgent,     // ahead of every queued line, without waiting for the pace (PONG,
              // the keepalive's PING); only the newest few are kept
  Immediate,  // written at once by the caller, ahead of every queued line (the
              // QUIT of a closing program)
};

// Lines a full queue dropped that the operator has not been told of yet in
// this run of drops (a run ends when the queue has emptied).
struct SendDrops {
  bool ctcp_replies = false;
  bool own_lines = false;
  std::vector<std::string> requesters;  // whose replies
  explicit operator bool() const { return ctcp_replies || own_lines || !requesters.empty(); }
};

// The outgoing lines of one connection and the pace at which they go out: a
// token bucket that lets `burst` lines go at once and then one line every
// `interval`. An interval of 0 paces nothing.
//
// Replies wait in one queue per requester (the person a command runs for),
// and the requesters take turns, so one person's flood of commands costs the
// others a turn each, never the length of the flood. The bot's own lines and
// moderation go ahead of the replies, CTCP replies after them. The clock is
// passed in, so no decision here waits or reads the time.
class SendPacing {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;
  using Duration = std::chrono::milliseconds;

  // A full queue drops lines: the oldest CTCP replies first, then the oldest
  // reply of whoever has the most lines queued, then the bot's own oldest.
  static constexpr std::size_t kMaxLines = 1000;
  static constexpr std::size_t kMaxBytes = 256 * 1024;
  // An answer to an old PING is worth nothing once a newer one waits.
  static constexpr std::size_t kMaxUrgentLines = 4;
  // How many requesters whose replies were dropped one run names.
  static constexpr std::size_t kMaxToldRequesters = 16;

  SendPacing(int burst, Duration interval);

  // Queues a line (the requester matters to Paced lines only) and makes room
  // for it.
  SendDrops Push(std::string line, SendKind kind, const std::string& requester = {});
  // Holds back the requester's lines queued after this call (the bot's own
  // without one) until `pause` after the ones before it have gone out.
  void Delay(Duration pause, TimePoint now, const std::string& requester = {});
  // The next line due at `now`, taking its token; none when nothing is due.
  std::optional<std::string> Take(TimePoint now);
  // When the next queued line falls due; none when nothing is queued.
  std::optional<TimePoint> NextDue() const;
  // Nothing queued, nothing holding this line back and no pace to keep: it
  // may be written straight away without overtaking anything.
  bool SendsAtOnce(TimePoint now, SendKind kind = SendKind::Paced,
                   const std::string& requester = {}) const;
  std::size_t Lines() const { return lines_; }
  // The paced lines of the requester waiting now.
  std::size_t LinesOf(const std::string& requester) const;
  std::size_t Bytes() const { return bytes_; }

 private:
  struct Entry {
    std::string line;
    bool is_pause = false;  // a pause of the lines behind it
    Duration pause{0};
  };
  // The paced lines of one requester, or the bot's own, in order.
  struct Lane {
    std::deque<Entry> entries;
    std::size_t lines = 0;
    TimePoint held_until{};
  };

  Lane& LaneFor(SendKind kind, const std::string& requester);
  const Lane* FindLane(SendKind kind, const std::string& requester) const;
  // The lane's first line if it is due, starting the pauses that reach the
  // front.
  std::optional<std::string> TakeFrom(Lane& lane, TimePoint now);
  std::optional<std::string> TakeReply(TimePoint now);
  // When the bucket next holds a token.
  TimePoint TokenAt() const;
  void TakeToken(TimePoint now);
  void Forget(const std::string& line);
  SendDrops MakeRoom();
  bool DropOne(SendDrops& drops);
  void DropOldest(Lane& lane);
  void DropFromBiggestRequester(SendDrops& drops);
  void ForgetIdleLanes(TimePoint now);

  int burst_;
  Duration interval_;
  std::deque<std::string> urgent_;
  Lane own_;
  std::unordered_map<std::string, Lane> replies_;
  // The requesters with lines queued, whose turn is next first.
  std::deque<std::string> turns_;
  std::deque<std::string> ctcp_replies_;
  std::size_t lines_ = 0;
  std::size_t bytes_ = 0;
  // The bucket as the time at which it would be full again; later than now
  // by as many intervals as tokens are missing.
  TimePoint full_at_{};
  // What this run of drops has told.
  bool told_ctcp_ = false;
  bool told_own_ = false;
  std::set<std::string> told_requesters_;
};

}  // namespace zelmo
