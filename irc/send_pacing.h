#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace zelmo {

// How an outgoing line waits for its turn on the wire.
enum class SendKind {
  Paced,      // in order, at the pace
  CtcpReply,  // in order, at the pace, once no other paced line waits; the first
              // lines dropped from a full queue
  Urgent,     // ahead of every queued line, without waiting for the pace (PONG)
  Immediate,  // written at once by the caller, ahead of every queued line (the
              // QUIT of a closing program)
};

// The outgoing lines of one connection and the pace at which they go out: a
// token bucket that lets `burst` lines go at once and then one line every
// `interval`. An interval of 0 paces nothing. CTCP replies give way to the
// other paced lines, so a CTCP flood never holds up the bot's answers. The clock is passed in, so
// no decision here waits or reads the time.
class SendPacing {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;
  using Duration = std::chrono::milliseconds;

  // A full queue drops lines, the oldest CTCP replies first.
  static constexpr std::size_t kMaxLines = 1000;
  static constexpr std::size_t kMaxBytes = 256 * 1024;

  SendPacing(int burst, Duration interval);

  // Queues a line. True when the queue was full and this push began a run
  // of dropped lines (a run ends when the queue has emptied), so the drop
  // is reported once.
  bool Push(std::string line, SendKind kind);
  // Holds back the lines queued after this call until `pause` after the
  // lines queued before it have gone out.
  void Delay(Duration pause, TimePoint now);
  // The next line due at `now`, taking its token; none when nothing is due.
  std::optional<std::string> Take(TimePoint now);
  // When the next queued line falls due; none when nothing is queued.
  std::optional<TimePoint> NextDue() const;
  // Nothing queued, nothing held back and no pace to keep: a line may be
  // written straight away without overtaking anything.
  bool SendsAtOnce(TimePoint now) const;
  std::size_t Lines() const { return urgent_.size() + queue_.size() + ctcp_replies_.size(); }

 private:
  struct Entry {
    std::string line;  // empty: a pause of the lines behind it
    Duration pause{0};
  };
  // When the bucket next holds a token.
  TimePoint TokenAt() const;
  void TakeToken(TimePoint now);
  // Starts the pauses that have reached the front of the queue.
  void StartPauses(TimePoint now);
  void MakeRoom(std::size_t bytes);
  bool DropOldest();
  std::optional<std::string> TakePaced(TimePoint now);

  int burst_;
  Duration interval_;
  std::deque<std::string> urgent_;
  std::deque<Entry> queue_;
  std::deque<std::string> ctcp_replies_;
  std::size_t queued_bytes_ = 0;
  // The bucket as the time at which it would be full again; later than now
  // by as many intervals as tokens are missing.
  TimePoint full_at_{};
  TimePoint held_until_{};
  bool dropping_ = false;
};

}  // namespace zelmo
