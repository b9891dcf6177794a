#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "irc/transport/tcp_connection.h"
#include "shell/base/ui_call_gate.h"

namespace zelmo {

class TIdIRC;
class TIdIRCSendThread;

// Reads the server's lines of one connection and hands them to the
// user-interface thread, waiting until they have been handled there before
// it reads on. A line goes over as soon as it arrives, together with those
// already received behind it (a batch), which are handled one by one in
// order: one wake-up of the user-interface thread serves a whole burst. It
// ends when asked to or when the connection fails.
//
// Its waits for bytes end when the keepalive has something to do, and it
// runs the keepalive then, so an unanswered PING loses the link however
// long a write to the server is stuck.
class TIdIRCReadThread {
 public:
  using Poster = std::function<void(std::function<void()>)>;

  // Without a poster, lines are handled on the reader thread itself.
  TIdIRCReadThread(TIdIRC& owner, Poster post);
  // Joins the thread; Terminate and close the link first.
  ~TIdIRCReadThread();
  TIdIRCReadThread(const TIdIRCReadThread&) = delete;
  TIdIRCReadThread& operator=(const TIdIRCReadThread&) = delete;

  // Asks the thread to stop: a line waiting for the user-interface thread is
  // dropped, and no further line is handed over. Safe from any thread.
  void Terminate();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  bool Finished() const { return finished_.load(std::memory_order_acquire); }

 private:
  void Run();
  bool ReadBatch();
  // Fills batch_ with the line read and the lines already buffered behind it.
  void CollectBatch(std::string first);
  void HandleBatch();
  bool HandOver(const std::function<void()>& task);
  // False when the link was found lost while the line was skipped.
  bool SkipOverlongLine();
  // How long a wait for bytes may last before the keepalive is due (-1:
  // without limit).
  int KeepaliveWait() const;
  // False when the keepalive found the link lost and closed it.
  bool KeepAlive();

  TIdIRC& owner_;
  // The connection this reader was made for; a newer one is never touched.
  const TIdTCPConnection::Link link_;
  // Holds the keepalive; it outlives this reader.
  TIdIRCSendThread* sender_;
  // The keepalive's next check as last seen; it only ever moves later.
  std::optional<std::chrono::steady_clock::time_point> next_check_;
  bool inline_;
  UiCallGate gate_;
  std::vector<std::string> batch_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace zelmo
