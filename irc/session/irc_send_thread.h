#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "irc/protocol/send_pacing.h"
#include "irc/session/keepalive.h"
#include "irc/transport/tcp_connection.h"

namespace zelmo {

class TIdIRC;

// How one connection sends.
struct SendSettings {
  int burst = 5;
  int interval_ms = 0;      // 0: every line goes out at once
  int ping_interval_s = 0;  // 0: no keepalive
  // A write that cannot hand the server a byte for this long counts as a
  // lost link.
  int write_limit_ms = 60000;
};

// Writes the queued lines of one connection at their pace. Callers never
// wait for the pace, nor for a server that has stopped reading: with no pace
// set, nothing queued and room in the socket's buffer they write their line
// themselves, as an unpaced client always did; otherwise it is queued.
//
// It holds the link's keepalive too: a PING after a silence, and the link
// closed (its loss reported as a drop by the server would be) when the PING
// goes unanswered. The keepalive's clock runs on whichever of this thread
// and the reader is free: the reader while a write is stuck here, this
// thread while the reader waits for the rest of a TLS record.
class TIdIRCSendThread {
 public:
  using Clock = SendPacing::Clock;

  TIdIRCSendThread(TIdIRC& owner, const SendSettings& settings);
  // Joins the thread; Terminate and close the link first, so a write that
  // is under way fails at once.
  ~TIdIRCSendThread();
  TIdIRCSendThread(const TIdIRCSendThread&) = delete;
  TIdIRCSendThread& operator=(const TIdIRCSendThread&) = delete;

  // Writes the line or queues it as a line of that requester (empty: the
  // bot's own). Gives the drops the operator is to be told of. A write on
  // the caller's thread raises the transport's errors, as a direct send
  // does. An Immediate line waits at most a few seconds for a write under
  // way (a server that no longer reads) and is dropped after that.
  SendDrops Submit(const std::string& line, SendKind kind, const std::string& requester);
  // The requester's lines submitted after this call wait `milliseconds`
  // after the ones before it have gone out.
  void Delay(int milliseconds, const std::string& requester);
  // The requester's lines waiting in the queue.
  std::size_t QueuedLines(const std::string& requester);
  // Asks the thread to end; queued lines are dropped.
  void Terminate();
  // Feeds the keepalive what the link has heard and does what is due; false
  // when it found the link lost and closed it. Safe from any thread.
  bool KeepAlive();
  // When the keepalive has something to do next; none when it is off.
  std::optional<Clock::time_point> NextKeepaliveCheck();

 private:
  void Run();
  bool KeepAlive(std::unique_lock<std::mutex>& lock);
  bool StillSilent() const;
  // Whether the line may be written on the caller's thread now: nothing
  // queued before it and room for it in the socket.
  bool WritesAtOnce(SendKind kind, const std::string& requester);
  bool Writable() const;
  SendDrops Queue(const std::string& line, SendKind kind, const std::string& requester);
  void WriteImmediate(const std::string& line);
  // Writes the line that is due, if one is still due; false when the
  // thread is to end.
  bool WriteDue();
  // One line to the socket; a write that ran out of time loses the link.
  void Write(const std::string& line);

  TIdIRC& owner_;
  const TIdTCPConnection::Link link_;
  const int ping_interval_s_;
  const int write_limit_ms_;
  // Held for every write, so lines reach the socket whole and in order.
  std::mutex write_mutex_;
  // Guards everything below.
  std::mutex mutex_;
  std::condition_variable wake_;
  SendPacing pacing_;
  Keepalive keepalive_;
  unsigned pings_ = 0;
  bool terminated_ = false;
  std::thread thread_;
};

}  // namespace zelmo
