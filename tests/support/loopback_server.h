#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "support/loopback_socket.h"

namespace zelmo::testing {

// Every wait of the loopback server is bounded; this is the default bound.
inline constexpr std::chrono::milliseconds kLoopbackWait{5000};

class StopSignal;

// What a peer's bytes pass through on their way over its socket: the socket
// itself, or a layer such as TLS that the server's owner supplies.
class PeerChannel {
 public:
  virtual ~PeerChannel() = default;
  // Without waiting: the bytes moved, 0 when none can move now, -1 when the
  // client is gone or the link failed.
  virtual long Receive(char* into, std::size_t size) = 0;
  virtual long Send(std::string_view bytes) = 0;
  // True when bytes have come in that the socket no longer shows.
  virtual bool Buffered() const = 0;
};

// Sets up the channel over a socket just accepted; nothing when it cannot.
using ChannelFactory = std::function<std::unique_ptr<PeerChannel>(int fd)>;

// One connection that the loopback server accepted. A peer is used by one
// thread at a time. Its waits end early, as if timed out, once the server
// is stopped.
class LoopbackPeer {
 public:
  using Clock = std::chrono::steady_clock;
  using Wait = std::chrono::milliseconds;

  LoopbackPeer(int fd, std::shared_ptr<StopSignal> stop,
               std::unique_ptr<PeerChannel> channel = nullptr);
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  // Sends all bytes, taking in what the client sends meanwhile, so that
  // neither side stalls on a full buffer. False when the client is gone, the
  // wait ran out or the server was stopped.
  bool Send(std::string_view bytes, Wait wait = kLoopbackWait);
  bool SendLine(std::string_view line, Wait wait = kLoopbackWait);
  // Sends what fits now, without waiting and without reading: the number of
  // bytes sent, 0 when nothing fits, -1 when the client is gone.
  long TrySend(std::string_view bytes);

  // The next line from the client without its LF and a CR before it;
  // nothing when the wait ran out or the client closed first.
  std::optional<std::string> ReadLine(Wait wait = kLoopbackWait);
  // Reads until a line satisfies the test; the lines on the way are dropped.
  std::optional<std::string> AwaitLine(const std::function<bool(const std::string&)>& match,
                                       Wait wait = kLoopbackWait);
  std::optional<std::string> AwaitLineStarting(std::string_view text, Wait wait = kLoopbackWait);
  // The complete lines taken in so far that no read has returned yet.
  std::vector<std::string> TakeLines();
  // Exactly count bytes, or nothing.
  std::optional<std::string> ReadBytes(std::size_t count, Wait wait = kLoopbackWait);
  // Everything until the client closes; nothing if it did not within the
  // wait.
  std::optional<std::string> ReadUntilClosed(Wait wait = kLoopbackWait);
  // True once the client has closed (what it sent meanwhile is kept for
  // the reads above).
  bool WaitClosed(Wait wait = kLoopbackWait);
  bool ClientClosed() const { return client_closed_; }

  // When the line that a read returned last arrived: the time of the
  // receive that completed it, however long it waited to be read.
  Clock::time_point LastLineArrival() const { return last_arrival_; }
  // The lines the reads have returned or dropped so far.
  std::size_t LinesRead() const { return lines_read_; }

  // Ends the connection with FIN after everything sent so far.
  void Close();
  // Ends the connection with RST (SO_LINGER 0).
  void Reset();
  bool Closed() const { return fd_ < 0; }

 private:
  // One receive of what is there now: 1 when bytes came, 0 when none were
  // there, -1 when the client closed or the link failed.
  int ReceiveNow();
  // Waits for bytes and takes them in; false on time-out, stop, end or
  // error.
  bool ReceiveMore(Clock::time_point deadline);
  void Drain();
  std::optional<std::string> ReadLineBy(Clock::time_point deadline);
  std::optional<std::string> NextLine();
  void Consume(std::size_t end);

  // One send or receive without waiting, through the channel if any: as
  // PeerChannel's.
  long SendNow(std::string_view bytes);
  long ReceiveInto(char* into, std::size_t size);

  int fd_;
  std::shared_ptr<StopSignal> stop_;
  std::unique_ptr<PeerChannel> channel_;
  // What came from the client; the bytes before read_ have been read.
  std::string pending_;
  std::size_t read_ = 0;
  // Where each receive ended in pending_, and when it came.
  std::deque<std::pair<std::size_t, Clock::time_point>> arrivals_;
  Clock::time_point last_arrival_{};
  std::size_t lines_read_ = 0;
  bool client_closed_ = false;
};

// A scripted TCP server on 127.0.0.1 with a port of the system's choice.
// A test drives it step by step from its own thread, or hands a script to
// Run() when the code under test blocks the test's thread (a connect that
// then waits for an answer, for example).
class LoopbackServer {
 public:
  // A receive buffer above 0 keeps the kernel's buffer for what clients
  // send that small, so that a server that stops reading stalls them soon.
  explicit LoopbackServer(int receive_buffer = 0);
  ~LoopbackServer();  // Stop()
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return socket_.Port(); }
  // Every client accepted from now on talks through such a channel.
  void SetChannel(ChannelFactory factory) { channel_ = std::move(factory); }
  static std::string Host() { return "127.0.0.1"; }

  // The next client, or nullptr when none came within the wait.
  std::shared_ptr<LoopbackPeer> Accept(std::chrono::milliseconds wait = kLoopbackWait);

  // Runs the script on a thread of its own; Stop() waits for it. One script
  // at a time: a second Run() waits for the first to end.
  void Run(std::function<void(LoopbackServer&)> script);
  // Waits for the script to end (its waits are bounded, so this ends).
  void Join();

  // Refuses new clients, wakes every wait of the server and its peers, and
  // waits for the script. Peers stay open until their owners let them go.
  void Stop();

 private:
  LoopbackSocket socket_;
  std::shared_ptr<StopSignal> stop_;
  ChannelFactory channel_;
  std::thread script_;
};

}  // namespace zelmo::testing
