#include "support/server_process.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace zelmo::testing {

void StopServerProcess(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  kill(pid, SIGCONT);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid = -1;
}

}  // namespace zelmo::testing
