#include "shell/ui/terminal/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

namespace zelmo {

namespace {

// A signal handler can reach nothing but process-wide state; these two are
// set up by the one TerminationSignals object and read by the handler only.
std::atomic<int> signal_write_fd{-1};
std::atomic<bool> signal_seen{false};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

extern "C" void OnTerminationSignal(int) {
  if (signal_seen.exchange(true)) _exit(0);
  int saved_errno = errno;
  char byte = 1;
  ssize_t ignored = write(signal_write_fd.load(), &byte, 1);
  (void)ignored;
  errno = saved_errno;
}

}  // namespace

TerminationSignals::TerminationSignals() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  read_fd_ = fds[0];
  write_fd_ = fds[1];
  signal_seen.store(false);
  signal_write_fd.store(write_fd_);

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Restarting keeps blocking socket calls of the other threads undisturbed;
  // poll() in the event loop returns anyway.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &old_int_);
  sigaction(SIGTERM, &action, &old_term_);

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &old_pipe_);
}

TerminationSignals::~TerminationSignals() {
  sigaction(SIGINT, &old_int_, nullptr);
  sigaction(SIGTERM, &old_term_, nullptr);
  sigaction(SIGPIPE, &old_pipe_, nullptr);
  signal_write_fd.store(-1);
  close(read_fd_);
  close(write_fd_);
}

}  // namespace zelmo
