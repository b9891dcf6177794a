#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace zelmo::bench {

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& argv, int stdin_read) {
  dup2(stdin_read, 0);
  int null_fd = open("/dev/null", O_WRONLY);
  if (null_fd >= 0) {
    dup2(null_fd, 1);
    dup2(null_fd, 2);
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

long StatusField(const std::string& text, const std::string& name) {
  std::size_t at = text.find(name + ":");
  if (at == std::string::npos) return -1;
  return std::stol(text.substr(at + name.size() + 1));
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) {
    close(fds[0]);
    close(fds[1]);
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) ExecChild(argv, fds[0]);
  close(fds[0]);
  stdin_fd_ = fds[1];
}

ChildProcess::~ChildProcess() {
  Stop();
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  return !Reap(std::chrono::milliseconds(0));
}

bool ChildProcess::WriteLine(const std::string& line) {
  if (stdin_fd_ < 0) return false;
  std::string bytes = line + "\n";
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = write(stdin_fd_, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

void ChildProcess::Stop(std::chrono::milliseconds grace) {
  if (stdin_fd_ >= 0) {
    close(stdin_fd_);
    stdin_fd_ = -1;
  }
  if (pid_ <= 0) return;
  if (Reap(std::chrono::milliseconds(0))) return;
  kill(pid_, SIGTERM);
  if (Reap(grace)) return;
  kill(pid_, SIGKILL);
  Reap(std::chrono::milliseconds(-1));
}

// True once the child has been reaped; a negative wait waits without limit
// (only after SIGKILL).
bool ChildProcess::Reap(std::chrono::milliseconds wait) {
  auto until = std::chrono::steady_clock::now() + wait;
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid_, &status, wait.count() < 0 ? 0 : WNOHANG);
    if (done == pid_ || (done < 0 && errno == ECHILD)) {
      pid_ = -1;
      return true;
    }
    if (done < 0 && errno == EINTR) continue;
    if (wait.count() >= 0 && std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::optional<MemoryFigures> ReadMemory(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/status");
  if (!file) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  MemoryFigures figures{StatusField(text, "VmRSS"), StatusField(text, "VmHWM")};
  if (figures.rss_kb < 0 || figures.hwm_kb < 0) return std::nullopt;
  return figures;
}

std::optional<double> ReadCpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The command name may hold blanks; the fields after it do not.
  std::size_t close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  // Fields 3 to 13 come before utime (14) and stime (15).
  for (int n = 3; n <= 13; ++n) fields >> field;
  long user = 0, system = 0;
  if (!(fields >> user >> system)) return std::nullopt;
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace zelmo::bench
