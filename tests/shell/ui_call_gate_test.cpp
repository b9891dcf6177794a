#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "shell/base/errors.h"
#include "shell/base/ui_call_gate.h"
#include "terminal_test_streams.h"

namespace zelmo {
namespace {

using namespace std::chrono_literals;
using testing::PortOnPipes;

// Keeps the user-interface thread busy, as a line that sends and looks up
// rights does.
void BusyFor(std::chrono::microseconds span) {
  const auto until = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < until) {
  }
}

// A caller that never returns cannot be joined; the test binary ends here
// instead of hanging until the suite's time-out.
void AbortIfStuck(bool finished, const char* what) {
  if (finished) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

class UiCallGateTest : public ::testing::Test {
 protected:
  PortOnPipes pipes;
  UiCallGate gate{
      [this](std::function<void()> task) { pipes.port.PostToUiThread(std::move(task)); }};

  // The loop sleeps until something happens; a caller that has returned
  // tells it, so that the test ends at once rather than at its time limit.
  void WakeLoop() {
    pipes.port.PostToUiThread([] {});
  }
};

// The lengths and pauses straddle both threads' looks before they sleep:
// a caller may still be looking when its task ends or may have gone to
// sleep (then the task's end must wake it), and the loop may be looking for
// the next task or asleep when it comes.
TEST_F(UiCallGateTest, EveryCallReturnsAfterItsTaskWhateverItsLengthAndThePauseBeforeIt) {
  const std::chrono::microseconds lengths[] = {0us, 20us, 120us, 1500us};
  const std::chrono::microseconds pauses[] = {0us, 60us, 400us, 3000us};
  constexpr int kCalls = 320;
  std::vector<int> ran;
  std::atomic<int> returned{0};
  std::atomic<int> refused{0};
  std::thread caller([&] {
    for (int i = 0; i < kCalls; ++i) {
      std::this_thread::sleep_for(pauses[(i / 4) % 4]);
      bool called = gate.Call([&, i] {
        BusyFor(lengths[i % 4]);
        ran.push_back(i);
      });
      if (!called) ++refused;
      ++returned;
    }
    WakeLoop();
  });
  bool finished = pipes.RunUntil([&] { return returned == kCalls; });
  AbortIfStuck(finished, "a caller still waits although its task has run");
  caller.join();
  EXPECT_EQ(refused, 0);
  ASSERT_EQ(ran.size(), static_cast<std::size_t>(kCalls));
  for (int i = 0; i < kCalls; ++i) ASSERT_EQ(ran[i], i);
}

TEST_F(UiCallGateTest, AnErrorOfATaskReachesACallerThatSleptThroughIt) {
  std::string error;
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    try {
      gate.Call([] {
        std::this_thread::sleep_for(5ms);
        throw EConvertError("'x' is not a valid integer value");
      });
    } catch (const EConvertError& e) {
      error = e.what();
    }
    returned = true;
    WakeLoop();
  });
  bool finished = pipes.RunUntil([&] { return returned.load(); });
  AbortIfStuck(finished, "a caller still waits although its task has failed");
  caller.join();
  EXPECT_EQ(error, "'x' is not a valid integer value");
}

TEST_F(UiCallGateTest, CancelWakesACallerAsleepBeforeItsTaskStarted) {
  bool ran = false;
  std::atomic<int> result{-1};
  std::thread caller([&] { result = gate.Call([&] { ran = true; }) ? 1 : 0; });
  // Long enough for the caller to give up looking and sleep; the loop is not
  // run meanwhile, so the task cannot start.
  std::this_thread::sleep_for(20ms);
  gate.Cancel();
  caller.join();
  EXPECT_EQ(result, 0);
  pipes.port.RunUntil([] { return false; }, 50ms);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(gate.Call([&] { ran = true; }));
}

}  // namespace
}  // namespace zelmo
