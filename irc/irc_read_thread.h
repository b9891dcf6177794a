#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "irc/tcp_connection.h"
#include "shell/base/ui_call_gate.h"

namespace zelmo {

class TIdIRC;

// Reads the server's lines of one connection and hands each to the
// user-interface thread, waiting until it has been handled there before it
// reads the next. It ends when asked to or when the connection fails.
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
  bool ReadOneLine();
  bool HandOver(const std::function<void()>& task);
  void SkipOverlongLine();

  TIdIRC& owner_;
  // The connection this reader was made for; a newer one is never touched.
  const TIdTCPConnection::Link link_;
  bool inline_;
  UiCallGate gate_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace zelmo
