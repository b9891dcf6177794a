#include "shell/base/termination_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

namespace zelmo {

namespace {

constexpr char kShutdownByte = 'T';
constexpr char kReloadByte = 'H';
constexpr char kReopenLogsByte = 'U';

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGUSR1);
  return set;
}

}  // namespace

SignalRequests ReadSignalRequests(int fd) {
  SignalRequests requests;
  char bytes[64];
  const ssize_t got = read(fd, bytes, sizeof bytes);
  for (ssize_t i = 0; i < got; ++i) {
    requests.reload |= bytes[i] == kReloadByte;
    requests.reopen_logs |= bytes[i] == kReopenLogsByte;
    // Any other byte is the shutdown's, so a stray one stops rather than
    // being lost.
    requests.shutdown |= bytes[i] != kReloadByte && bytes[i] != kReopenLogsByte;
  }
  return requests;
}

TerminationSignals::TerminationSignals() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  read_fd_ = fds[0];
  write_fd_ = fds[1];

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &old_pipe_);

  sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, &old_mask_);
  waiter_ = std::thread([this, set] { Wait(set); });
}

void TerminationSignals::Wait(sigset_t set) {
  bool seen = false;
  for (;;) {
    int number = 0;
    if (sigwait(&set, &number) != 0) continue;
    if (stopping_.load()) return;
    char byte = number == SIGHUP ? kReloadByte : kReopenLogsByte;
    if (number == SIGINT || number == SIGTERM) {
      if (seen) {
        std::lock_guard lock(before_exit_mutex_);
        if (before_exit_) before_exit_();
        _exit(0);
      }
      seen = true;
      shutdown_asked_.store(true);
      byte = kShutdownByte;
    }
    ssize_t ignored = write(write_fd_, &byte, 1);
    (void)ignored;
  }
}

void TerminationSignals::SetBeforeHardExit(std::function<void()> action) {
  std::lock_guard lock(before_exit_mutex_);
  before_exit_ = std::move(action);
}

TerminationSignals::~TerminationSignals() {
  stopping_.store(true);
  pthread_kill(waiter_.native_handle(), SIGTERM);
  waiter_.join();
  // A signal that came in meanwhile would act by its old disposition once
  // unblocked; the shutdown it asks for is already under way.
  sigset_t set = TerminationSet();
  timespec now{};
  while (sigtimedwait(&set, nullptr, &now) > 0) {
  }
  // Once a signal asked for the shutdown, a second one that comes during the
  // last of it stays blocked rather than killing the process it would have
  // ended with status 0 anyway.
  sigset_t mask = old_mask_;
  if (shutdown_asked_.load()) {
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
  }
  pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  sigaction(SIGPIPE, &old_pipe_, nullptr);
  close(read_fd_);
  close(write_fd_);
}

}  // namespace zelmo
