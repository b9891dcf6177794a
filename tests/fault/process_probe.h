#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>

namespace zelmo::testing {

// What /proc tells about a running process. Every reading is nothing once
// the process is gone.

// User and system CPU time together, in clock ticks (/proc/<pid>/stat).
std::optional<long long> CpuTicks(pid_t pid);
// Resident memory in KiB (VmRSS of /proc/<pid>/status).
std::optional<long> ResidentKib(pid_t pid);
// Open file descriptors (/proc/<pid>/fd) and threads (/proc/<pid>/task).
std::optional<int> OpenFdCount(pid_t pid);
std::optional<int> ThreadCount(pid_t pid);

// The share of one CPU that the process used while the test slept for the
// given time: about 0 for an idle process, about 1 for one that spins.
std::optional<double> CpuShareOver(pid_t pid, std::chrono::milliseconds wall);

}  // namespace zelmo::testing
