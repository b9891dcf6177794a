#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zelmo::bench {

// A program the benchmark started: its standard input is a pipe the
// benchmark writes to, its standard output and error go to /dev/null. The
// process is ended by its PID, never by name, and always reaped.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();  // Stop()
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();

  // One line on the child's standard input; false when the pipe is gone.
  bool WriteLine(const std::string& line);

  // SIGTERM, a bounded wait, then SIGKILL; always reaps the child.
  void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

 private:
  bool Reap(std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int stdin_fd_ = -1;
};

// VmRSS and VmHWM of a live process in kilobytes (/proc/<pid>/status).
struct MemoryFigures {
  long rss_kb = 0;
  long hwm_kb = 0;
};
std::optional<MemoryFigures> ReadMemory(pid_t pid);

// User plus system CPU time of a live process, all its threads, in seconds.
std::optional<double> ReadCpuSeconds(pid_t pid);

}  // namespace zelmo::bench
