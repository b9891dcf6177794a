#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_socket.h"

namespace zelmo::fuzz {

// The far end of a client that only sends: accepts every connection and
// reads and drops what arrives, so the client's sends never block, until
// the client closes. Stops and joins its thread when destroyed.
class DrainServer {
 public:
  DrainServer();
  ~DrainServer();
  DrainServer(const DrainServer&) = delete;
  DrainServer& operator=(const DrainServer&) = delete;

  int Port() const { return listener_.Port(); }

 private:
  void Run();

  testing::LoopbackSocket listener_;
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

// The far end of a client that reads: each connection accepted gets the
// bytes of one job, written in chunks of the job's sizes, after which the
// server closes its sending side and drops what the client sends until the
// client closes.
class ChunkServer {
 public:
  ChunkServer();
  ~ChunkServer();
  ChunkServer(const ChunkServer&) = delete;
  ChunkServer& operator=(const ChunkServer&) = delete;

  int Port() const { return listener_.Port(); }
  // Queues the job for the next connection; sizes of 0 are skipped and the
  // bytes left after the last size go out in one piece.
  void Serve(std::string bytes, std::vector<std::size_t> chunk_sizes);

 private:
  struct Job {
    std::string bytes;
    std::vector<std::size_t> chunk_sizes;
  };
  void Run();
  static void Send(int fd, const Job& job);

  testing::LoopbackSocket listener_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace zelmo::fuzz
