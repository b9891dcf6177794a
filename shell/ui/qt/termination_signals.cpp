#include "shell/ui/qt/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace zelmo {

namespace {

// A signal handler has no other way to reach its owner than through state
// at namespace scope; it holds only the pipe's write end and whether a
// signal is waiting, and only one TerminationSignals installs it at a time.
std::atomic<int> signal_write_fd{-1};
std::atomic<bool> signal_pending{false};

void OnTerminationSignal(int) {
  if (signal_pending.exchange(true)) _exit(0);
  const int saved_errno = errno;
  const char byte = 1;
  const int fd = signal_write_fd.load();
  if (fd >= 0) {
    [[maybe_unused]] ssize_t written = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

void MakeNonBlockingCloseOnExec(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> on_signal)
    : on_signal_(std::move(on_signal)) {
  std::signal(SIGPIPE, SIG_IGN);
  if (pipe(pipe_fds_) != 0) return;  // no pipe: the default handlers stay
  MakeNonBlockingCloseOnExec(pipe_fds_[0]);
  MakeNonBlockingCloseOnExec(pipe_fds_[1]);
  notifier_ = std::make_unique<QSocketNotifier>(pipe_fds_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });

  signal_pending.store(false);
  signal_write_fd.store(pipe_fds_[1]);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previous_int_);
  sigaction(SIGTERM, &action, &previous_term_);
}

TerminationSignals::~TerminationSignals() {
  if (pipe_fds_[0] < 0) return;
  sigaction(SIGINT, &previous_int_, nullptr);
  sigaction(SIGTERM, &previous_term_, nullptr);
  signal_write_fd.store(-1);
  notifier_.reset();
  close(pipe_fds_[0]);
  close(pipe_fds_[1]);
}

void TerminationSignals::Drain() {
  char bytes[16];
  while (read(pipe_fds_[0], bytes, sizeof bytes) > 0) {
  }
  if (on_signal_) on_signal_();
}

}  // namespace zelmo
