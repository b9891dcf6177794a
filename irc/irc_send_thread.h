#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "irc/keepalive.h"
#include "irc/send_pacing.h"
#include "irc/tcp_connection.h"

namespace zelmo {

// How one connection sends: the pace of its queue and the keepalive.
struct SendSettings {
  int burst = 5;
  int interval_ms = 0;      // 0: every line goes out at once
  int ping_interval_s = 0;  // 0: no keepalive
};

// Writes the queued lines of one connection at their pace, and keeps the
// link alive: a PING after a silence, and the link closed (its loss
// reported as a drop by the server would be) when the PING goes unanswered.
// Callers never wait for the pace; with no pace set and nothing queued,
// they write their line themselves, as an unpaced client always did.
class TIdIRCSendThread {
 public:
  TIdIRCSendThread(TIdTCPConnection& connection, const SendSettings& settings);
  // Joins the thread; Terminate and close the link first, so a write that
  // is under way fails at once.
  ~TIdIRCSendThread();
  TIdIRCSendThread(const TIdIRCSendThread&) = delete;
  TIdIRCSendThread& operator=(const TIdIRCSendThread&) = delete;

  // Writes the line or queues it. True when the queue was full and this
  // line began a run of dropped lines. A write on the caller's thread
  // raises the transport's errors, as a direct send does. An Immediate line
  // waits at most a few seconds for a write under way (a server that no
  // longer reads) and is dropped after that.
  bool Submit(const std::string& line, SendKind kind);
  // The lines submitted after this call wait `milliseconds` after the
  // lines before it have gone out.
  void Delay(int milliseconds);
  // Asks the thread to end; queued lines are dropped.
  void Terminate();

 private:
  using Clock = SendPacing::Clock;

  void Run();
  // Queues the line unless it may be written at once: whether it began a
  // run of dropped lines, or none when it is to be written.
  std::optional<bool> QueueUnlessUnpaced(const std::string& line, SendKind kind);
  // Writes the line that is due, if one is still due; false when the
  // thread is to end.
  bool WriteDue();
  void Write(const std::string& line);
  // Feeds the keepalive what the link has heard; false when the link is
  // found lost and has been closed.
  bool KeepAlive(std::unique_lock<std::mutex>& lock);
  bool StillSilent() const;

  TIdTCPConnection& connection_;
  const TIdTCPConnection::Link link_;
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
