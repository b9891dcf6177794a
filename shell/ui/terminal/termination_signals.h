#pragma once

#include <signal.h>

namespace zelmo {

// Turns SIGINT and SIGTERM into a readable byte on a pipe, so the event loop
// shuts down in its own time; a second signal while that shutdown runs ends
// the process at once with status 0, so it never hangs. SIGPIPE is ignored:
// a closed output must not kill the bot. One instance per process; the
// previous dispositions come back when it goes.
class TerminationSignals {
 public:
  TerminationSignals();
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // Readable once a signal has arrived.
  int ReadFd() const { return read_fd_; }

 private:
  int read_fd_ = -1;
  int write_fd_ = -1;
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
  struct sigaction old_pipe_ {};
};

}  // namespace zelmo
