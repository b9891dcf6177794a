#include "shell/base/termination_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/bot_process.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using namespace std::chrono_literals;

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

// A second signal that comes after the handling has gone, during the last of
// the shutdown, must not kill the process either.
TEST(TerminationSignals, ASecondSignalAfterTheHandlingWentDoesNotKill) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    {
      TerminationSignals signals;
      kill(getpid(), SIGINT);
      pollfd ready{signals.ReadFd(), POLLIN, 0};
      if (poll(&ready, 1, 5000) != 1) _exit(3);
    }
    kill(getpid(), SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    _exit(0);
  }
  int status = WaitForChild(child);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Reload and log reopening come as requests of their own, as often as they
// are sent, and never end the process, not even once shutdown has begun.
TEST(TerminationSignals, HangupAndUserOneAreRequestsThatNeverEndTheProcess) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TerminationSignals signals;
    auto await = [&](int number) {
      kill(getpid(), number);
      pollfd ready{signals.ReadFd(), POLLIN, 0};
      if (poll(&ready, 1, 5000) != 1) _exit(3);
      return ReadSignalRequests(signals.ReadFd());
    };
    struct Step {
      int signal;
      bool shutdown, reload, reopen;
    };
    const Step steps[] = {{SIGHUP, false, true, false}, {SIGUSR1, false, false, true},
                          {SIGHUP, false, true, false}, {SIGTERM, true, false, false},
                          {SIGHUP, false, true, false}, {SIGUSR1, false, false, true}};
    for (const Step& step : steps) {
      const SignalRequests got = await(step.signal);
      if (got.shutdown != step.shutdown || got.reload != step.reload ||
          got.reopen_logs != step.reopen)
        _exit(10 + step.signal);
    }
    _exit(0);
  }
  int status = WaitForChild(child);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// SIGHUP on the real program: the configuration is read again, a changed
// key takes effect, the bot runs on; SIGUSR1 leaves it running too.
TEST(AppHeadless, HangupReloadsTheConfiguration) {
  testing::TempDir dir;
  dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\n");
  testing::BotProcess bot(testing::HeadlessBot(dir.Path()));
  const std::string loaded = "(Re)Loaded Config file...";
  const std::string no_password = "No security password is set";
  auto loads = [&](int count) {
    return [&loaded, count](const testing::ProcessOutput& output) {
      int seen = 0;
      for (const std::string& text : output.DisplayTexts()) seen += text == loaded;
      return seen == count;
    };
  };
  ASSERT_TRUE(bot.AwaitDisplay("Data folder", 10s)) << bot.ErrorOutput();
  dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\n[General]\nSecurity password=changed\n");
  bot.Signal(SIGHUP);
  EXPECT_TRUE(bot.Await(loads(2), 10s));
  bot.Signal(SIGUSR1);
  bot.Signal(SIGHUP);
  EXPECT_TRUE(bot.Await(loads(3), 10s));
  EXPECT_EQ(bot.CountDisplay(no_password), 1);
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(10s), 0);
}

}  // namespace
}  // namespace zelmo
