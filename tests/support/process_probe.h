#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>

namespace zelmo::testing {

// What /proc tells about a running process. Every reading is nothing once
// the process is gone.

// User and system CPU time together, all threads, in clock ticks
// (/proc/<pid>/stat) and in seconds.
std::optional<long long> CpuTicks(pid_t pid);
std::optional<double> CpuSeconds(pid_t pid);

// Resident memory now and at its highest, in KiB (VmRSS and VmHWM of
// /proc/<pid>/status), read together.
struct MemoryFigures {
  long rss_kib = 0;
  long hwm_kib = 0;
};
std::optional<MemoryFigures> Memory(pid_t pid);
std::optional<long> ResidentKib(pid_t pid);

// Open file descriptors (/proc/<pid>/fd) and threads (/proc/<pid>/task).
std::optional<int> OpenFdCount(pid_t pid);
std::optional<int> ThreadCount(pid_t pid);

// The share of one CPU that the process used while the caller slept for the
// given time: about 0 for an idle process, about 1 for one that spins.
std::optional<double> CpuShareOver(pid_t pid, std::chrono::milliseconds wall);

}  // namespace zelmo::testing
