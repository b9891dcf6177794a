#pragma once

namespace zelmo::testing {

// A TCP socket bound to 127.0.0.1 on a port of the system's choice, held for
// as long as the object lives so that no one else can take the port.
// Listening, it takes connections; bound only, the kernel refuses them.
class LoopbackSocket {
 public:
  // A receive buffer above 0 is set before listen(), so that the sockets
  // accepted from it start with a buffer that small.
  explicit LoopbackSocket(bool listening = true, int receive_buffer = 0);
  ~LoopbackSocket();
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;

  int Fd() const { return fd_; }
  int Port() const { return port_; }
  // Lets the port go; Fd() is then -1.
  void Close();

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A loopback port on which nothing listens: connecting to it is refused.
class RefusingPort : public LoopbackSocket {
 public:
  RefusingPort() : LoopbackSocket(false) {}
};

}  // namespace zelmo::testing
