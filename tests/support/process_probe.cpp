#include "support/process_probe.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace zelmo::testing {

namespace {

std::string ProcFile(pid_t pid, const char* name) {
  return "/proc/" + std::to_string(pid) + "/" + name;
}

std::string ReadProcFile(pid_t pid, const char* name) {
  std::ifstream file(ProcFile(pid, name));
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The number after "<name>:" in a status text; nothing when it is missing.
std::optional<long> StatusField(const std::string& text, const std::string& name) {
  std::size_t at = text.find("\n" + name + ":");
  if (at == std::string::npos) return std::nullopt;
  return std::stol(text.substr(at + name.size() + 2));
}

std::optional<int> EntryCount(pid_t pid, const char* folder) {
  // Entries come and go while the folder is read (a thread ends, a socket
  // closes); a failed read counts as no reading.
  try {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(ProcFile(pid, folder))) {
      ++count;
    }
    return count;
  } catch (const std::filesystem::filesystem_error&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<long long> CpuTicks(pid_t pid) {
  std::string text = ReadProcFile(pid, "stat");
  // The command name may hold blanks and brackets; the fields follow the
  // last closing bracket, starting with field 3 (state).
  auto close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  long long utime = 0, stime = 0;
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number == 14) utime = std::stoll(field);
    if (number == 15) stime = std::stoll(field);
  }
  if (!fields) return std::nullopt;
  return utime + stime;
}

std::optional<double> CpuSeconds(pid_t pid) {
  auto ticks = CpuTicks(pid);
  if (!ticks) return std::nullopt;
  return static_cast<double>(*ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::optional<MemoryFigures> Memory(pid_t pid) {
  std::string text = ReadProcFile(pid, "status");
  auto rss = StatusField(text, "VmRSS");
  auto hwm = StatusField(text, "VmHWM");
  if (!rss || !hwm) return std::nullopt;
  return MemoryFigures{*rss, *hwm};
}

std::optional<long> ResidentKib(pid_t pid) {
  return StatusField(ReadProcFile(pid, "status"), "VmRSS");
}

std::optional<int> OpenFdCount(pid_t pid) {
  return EntryCount(pid, "fd");
}

std::optional<int> ThreadCount(pid_t pid) {
  return EntryCount(pid, "task");
}

std::optional<double> CpuShareOver(pid_t pid, std::chrono::milliseconds wall) {
  auto before = CpuTicks(pid);
  auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(wall);
  auto after = CpuTicks(pid);
  auto elapsed = std::chrono::steady_clock::now() - start;
  if (!before || !after) return std::nullopt;
  double cpu_seconds =
      static_cast<double>(*after - *before) / static_cast<double>(sysconf(_SC_CLK_TCK));
  return cpu_seconds / std::chrono::duration<double>(elapsed).count();
}

}  // namespace zelmo::testing
