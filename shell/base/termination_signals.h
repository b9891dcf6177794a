#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace zelmo {

// Turns SIGINT and SIGTERM into a readable byte on a pipe, which the front
// end's event loop watches, so the bot shuts down in the loop's own time; a
// second one while that shutdown runs ends the process at once with status
// 0, so it never hangs. SIGHUP (reload the configuration) and SIGUSR1
// (reopen the log files, for log rotation) come down the same pipe as bytes
// of their own and never end the process. SIGPIPE is ignored: a closed output or peer must not
// kill the bot, it shows up as a failed write instead.
//
// The two signals are blocked in every thread made after this object and
// taken by a thread of its own with sigwait(), so no asynchronous handler
// runs at all (a deferred handler can be lost under a thread checker). Make
// it before the front end starts threads of its own (a toolkit does when its
// application object is made). Only signals sent to the process reach that
// thread: kill(), the terminal's Ctrl-C and service managers send such
// signals. One instance per process; the previous signal mask and SIGPIPE
// disposition come back when it goes, except that after a shutdown signal
// SIGINT and SIGTERM stay blocked, so that a second one during the rest of
// the shutdown does not kill the process.
// What the signals that came ask of the front end, read off the pipe.
struct SignalRequests {
  bool shutdown = false;
  bool reload = false;
  bool reopen_logs = false;
};

// Reads once from the pipe (up to 64 signals); several of a kind count once.
SignalRequests ReadSignalRequests(int fd);

class TerminationSignals {
 public:
  TerminationSignals();
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // Readable once a signal has arrived; read it with ReadSignalRequests.
  int ReadFd() const { return read_fd_; }

  // Runs on the signal thread right before a second signal ends the
  // process; empty for nothing.
  void SetBeforeHardExit(std::function<void()> action);

 private:
  void Wait(sigset_t set);

  int read_fd_ = -1;
  int write_fd_ = -1;
  sigset_t old_mask_{};
  struct sigaction old_pipe_ {};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> shutdown_asked_{false};
  std::mutex before_exit_mutex_;
  std::function<void()> before_exit_;
  std::thread waiter_;
};

}  // namespace zelmo
