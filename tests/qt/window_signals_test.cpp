#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "qt_test_support.h"
#include "shell/ui_port.h"

extern "C" int zelmobot_window_main(int argc, char** argv, zelmo::FormFactory* factory);
extern char** environ;

// Signals from outside reach the window's process: each test starts this
// test program again as a child that runs the window, and signals it.
namespace zelmo::testing {
namespace {

constexpr char kChildMode[] = "ZELMO_QT_SIGNAL_CHILD";

void Say(const char* marker) {
  std::printf("\n%s\n", marker);
  std::fflush(stdout);
}

class ChildForm : public FakeForm {
 public:
  explicit ChildForm(bool stuck) : stuck_(stuck) {}
  void Shutdown() override {
    Say("CHILD-SHUTDOWN");
    // A shutdown that hangs (bounded, so a failing test still ends).
    if (stuck_) std::this_thread::sleep_for(std::chrono::seconds(30));
  }

 private:
  bool stuck_;
};

class ChildFactory : public FormFactory {
 public:
  explicit ChildFactory(bool stuck) : stuck_(stuck) {}
  std::unique_ptr<FormHost> CreateForm(UiPort& port) override {
    port.PostToUiThread([] { Say("CHILD-READY"); });
    return std::make_unique<ChildForm>(stuck_);
  }

 private:
  bool stuck_;
};

// Runs the window in the child; returns false in the parent.
bool RunAsChild() {
  const char* mode = std::getenv(kChildMode);
  if (mode == nullptr) return false;
  TestApp();
  ChildFactory factory(std::string(mode) == "stuck");
  char name[] = "zelmobot";
  char* argv[] = {name, nullptr};
  const int exit_code = zelmobot_window_main(1, argv, &factory);
  Say(exit_code == 0 ? "CHILD-EXIT-0" : "CHILD-EXIT-OTHER");
  return true;
}

// The child process, killed by its PID if a test leaves it running.
class Child {
 public:
  Child(const std::string& test_name, const std::string& mode) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    std::vector<std::string> environment{std::string(kChildMode) + "=" + mode,
                                         "QT_QPA_PLATFORM=offscreen"};
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    std::string filter = "--gtest_filter=" + test_name;
    char* argv[] = {program.data(), filter.data(), nullptr};

    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  bool Started() const { return pid_ > 0; }
  void Signal(int number) { kill(pid_, number); }

  // Reads the child's output until the marker line appears.
  bool WaitFor(const std::string& marker, int timeout_ms = 20000) {
    QDeadlineTimer deadline(timeout_ms);
    while (output_.find("\n" + marker + "\n") == std::string::npos) {
      pollfd ready{out_, POLLIN, 0};
      const int left = static_cast<int>(deadline.remainingTime());
      if (left <= 0 || poll(&ready, 1, left) <= 0) return false;
      char buffer[4096];
      const ssize_t got = read(out_, buffer, sizeof buffer);
      if (got <= 0) return false;
      output_.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
  }

  // The exit status once the child has ended, or -1 when it did not end in
  // time.
  int WaitForExit(int timeout_ms = 20000) {
    QDeadlineTimer deadline(timeout_ms);
    while (!deadline.hasExpired()) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  const std::string& Output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

TEST(WindowSignals, TerminationFromOutsideShutsDownAndEndsWithZero) {
  if (RunAsChild()) return;
  Child child("WindowSignals.TerminationFromOutsideShutsDownAndEndsWithZero", "clean");
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.WaitFor("CHILD-READY")) << child.Output();
  child.Signal(SIGTERM);
  EXPECT_TRUE(child.WaitFor("CHILD-SHUTDOWN")) << child.Output();
  EXPECT_TRUE(child.WaitFor("CHILD-EXIT-0")) << child.Output();
  const int status = child.WaitForExit();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(WindowSignals, ASecondSignalEndsAShutdownThatHangs) {
  if (RunAsChild()) return;
  Child child("WindowSignals.ASecondSignalEndsAShutdownThatHangs", "stuck");
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.WaitFor("CHILD-READY")) << child.Output();
  child.Signal(SIGINT);
  ASSERT_TRUE(child.WaitFor("CHILD-SHUTDOWN")) << child.Output();
  child.Signal(SIGINT);
  const int status = child.WaitForExit();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(child.Output().find("CHILD-EXIT"), std::string::npos);
}

}  // namespace
}  // namespace zelmo::testing
