#include "shell/base/termination_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace zelmo {
namespace {

// Waits for a child (bounded), killing it when it does not end.
int WaitForChild(pid_t child) {
  int status = 0;
  for (int i = 0; i < 1000; ++i) {
    if (waitpid(child, &status, WNOHANG) == child) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return status;
}

// The handlers are process-wide, so the case runs in a child of its own;
// the child's exit status tells which step failed.
TEST(TerminationSignals, FirstSignalIsReportedSecondEndsTheProcessWithZero) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TerminationSignals signals;
    raise(SIGPIPE);  // ignored: a closed output must not kill the bot
    // Signals from outside are sent to the process, not to one thread.
    kill(getpid(), SIGTERM);
    pollfd ready{signals.ReadFd(), POLLIN, 0};
    if (poll(&ready, 1, 5000) != 1) _exit(3);
    kill(getpid(), SIGINT);  // shutdown has begun: this one ends the process
    // The signal is taken by another thread; give it time to end the
    // process before this one reports that it did not.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    _exit(4);
  }
  int status = WaitForChild(child);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace zelmo
