#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

namespace zelmo {

// Turns SIGINT and SIGTERM into a call on the GUI thread. The handler only
// writes a byte into a pipe, which is async-signal-safe; the read end wakes
// the event loop. A second signal ends the process at once, so a shutdown
// that hangs can still be interrupted. SIGPIPE is
// ignored for good: a dropped peer shows up as a failed write instead.
// The previous handlers come back when this object goes.
class TerminationSignals : public QObject {
 public:
  explicit TerminationSignals(std::function<void()> on_signal);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  void Drain();

  std::function<void()> on_signal_;
  int pipe_fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_int_ {};
  struct sigaction previous_term_ {};
};

}  // namespace zelmo
