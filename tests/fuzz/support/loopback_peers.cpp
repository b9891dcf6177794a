#include "support/loopback_peers.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <stdexcept>

namespace zelmo::fuzz {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = send(fd, data, size, MSG_NOSIGNAL);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

// --- DrainServer ------------------------------------------------------------

DrainServer::DrainServer() {
  if (pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  thread_ = std::thread([this] { Run(); });
}

DrainServer::~DrainServer() {
  char stop = 0;
  if (write(wake_[1], &stop, 1) != 1) std::terminate();
  thread_.join();
  CloseFd(wake_[0]);
  CloseFd(wake_[1]);
}

void DrainServer::Run() {
  std::vector<int> clients;
  char buffer[16384];
  for (;;) {
    std::vector<pollfd> fds = {{wake_[0], POLLIN, 0}, {listener_.Fd(), POLLIN, 0}};
    for (int client : clients) fds.push_back({client, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0) break;
    if (fds[1].revents != 0) {
      int client = accept4(listener_.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) clients.push_back(client);
    }
    for (std::size_t i = 2; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      ssize_t got = recv(fds[i].fd, buffer, sizeof buffer, 0);
      if (got > 0 || (got < 0 && errno == EINTR)) continue;
      close(fds[i].fd);
      std::erase(clients, fds[i].fd);
    }
  }
  for (int client : clients) close(client);
}

// --- ChunkServer ------------------------------------------------------------

ChunkServer::ChunkServer() : thread_([this] { Run(); }) {}

ChunkServer::~ChunkServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  // Wakes an accept that waits for a client that will not come.
  shutdown(listener_.Fd(), SHUT_RDWR);
  thread_.join();
}

void ChunkServer::Serve(std::string bytes, std::vector<std::size_t> chunk_sizes) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(Job{std::move(bytes), std::move(chunk_sizes)});
  }
  ready_.notify_all();
}

void ChunkServer::Run() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    int fd = accept4(listener_.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    Send(fd, job);
    shutdown(fd, SHUT_WR);
    // Reads what the client sent until it closes too: closing with unread
    // bytes would reset the connection and drop what the client has not
    // read yet.
    char buffer[4096];
    for (;;) {
      ssize_t got = recv(fd, buffer, sizeof buffer, 0);
      if (got == 0 || (got < 0 && errno != EINTR)) break;
    }
    close(fd);
  }
}

void ChunkServer::Send(int fd, const Job& job) {
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::size_t sent = 0;
  for (std::size_t size : job.chunk_sizes) {
    std::size_t count = std::min(size, job.bytes.size() - sent);
    if (count == 0) continue;
    if (!WriteAll(fd, job.bytes.data() + sent, count)) return;
    sent += count;
  }
  WriteAll(fd, job.bytes.data() + sent, job.bytes.size() - sent);
}

}  // namespace zelmo::fuzz
