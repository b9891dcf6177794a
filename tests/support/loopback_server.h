#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace zelmo::testing {

// Every wait of the loopback server is bounded; this is the default bound.
inline constexpr int kLoopbackWaitMs = 5000;

class StopSignal;

// One connection that the loopback server accepted. A peer is used by one
// thread at a time. Its waits end early, as if timed out, once the server
// is stopped.
class LoopbackPeer {
 public:
  LoopbackPeer(int fd, std::shared_ptr<StopSignal> stop);
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  // Sends all bytes; false when the client is gone.
  bool Send(std::string_view bytes);
  bool SendLine(std::string_view line) { return Send(std::string(line) + "\r\n"); }

  // The next line from the client without its LF and a CR before it;
  // nothing when the wait ran out or the client closed first.
  std::optional<std::string> ReadLine(int timeout_ms = kLoopbackWaitMs);
  // Exactly count bytes, or nothing.
  std::optional<std::string> ReadBytes(std::size_t count, int timeout_ms = kLoopbackWaitMs);
  // Everything until the client closes; nothing if it did not within the
  // wait.
  std::optional<std::string> ReadUntilClosed(int timeout_ms = kLoopbackWaitMs);
  // True once the client has closed (what it sent meanwhile is kept for
  // the reads above).
  bool WaitClosed(int timeout_ms = kLoopbackWaitMs);

  // Ends the connection with FIN after everything sent so far.
  void Close();
  // Ends the connection with RST (SO_LINGER 0).
  void Reset();
  bool Closed() const { return fd_ < 0; }

 private:
  // Receives once into pending_; false on time-out, stop, end or error.
  bool ReceiveMore(int timeout_ms);
  void Drain();

  int fd_;
  std::shared_ptr<StopSignal> stop_;
  std::string pending_;
  bool client_closed_ = false;
};

// A scripted TCP server on 127.0.0.1 with a port of the system's choice.
// A test drives it step by step from its own thread, or hands a script to
// Run() when the code under test blocks the test's thread (a connect that
// then waits for an answer, for example).
class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();  // Stop()
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  static std::string Host() { return "127.0.0.1"; }

  // The next client, or nullptr when none came within the wait.
  std::shared_ptr<LoopbackPeer> Accept(int timeout_ms = kLoopbackWaitMs);

  // Runs the script on a thread of its own; Stop() waits for it. One script
  // at a time: a second Run() waits for the first to end.
  void Run(std::function<void(LoopbackServer&)> script);
  // Waits for the script to end (its waits are bounded, so this ends).
  void Join();

  // Refuses new clients, wakes every wait of the server and its peers, and
  // waits for the script. Peers stay open until their owners let them go.
  void Stop();

 private:
  int listen_fd_ = -1;
  int port_ = 0;
  std::shared_ptr<StopSignal> stop_;
  std::thread script_;
};

}  // namespace zelmo::testing
