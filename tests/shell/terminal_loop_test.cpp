#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "shell/base/errors.h"
#include "terminal_test_streams.h"

namespace zelmo {
namespace {

using testing::PortOnPipes;

TEST(TerminalLoop, PostedTasksRunOnTheLoopThreadInPostingOrder) {
  PortOnPipes pipes;
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::vector<int>> seen(kThreads);
  int total = 0;
  bool all_on_ui_thread = true;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        pipes.port.PostToUiThread([&, t, i] {
          all_on_ui_thread = all_on_ui_thread && pipes.port.OnUiThread();
          seen[t].push_back(i);
          ++total;
        });
      }
    });
  }
  EXPECT_TRUE(pipes.RunUntil([&] { return total == kThreads * kPerThread; }));
  for (auto& poster : posters) poster.join();
  EXPECT_TRUE(all_on_ui_thread);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kPerThread));
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i) << "thread " << t;
  }
}

TEST(TerminalLoop, TaskPostedByATaskRunsAfterTheOnesQueuedBefore) {
  PortOnPipes pipes;
  std::vector<int> order;
  pipes.port.PostToUiThread([&] {
    order.push_back(1);
    pipes.port.PostToUiThread([&] { order.push_back(3); });
  });
  pipes.port.PostToUiThread([&] { order.push_back(2); });
  EXPECT_TRUE(pipes.RunUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(TerminalLoop, RunOnUiThreadAndWaitReturnsAfterTheTaskRan) {
  PortOnPipes pipes;
  EXPECT_TRUE(pipes.port.OnUiThread());
  std::atomic<bool> worker_done{false};
  int ran_on_ui = 0;
  bool worker_saw_result = false;
  bool worker_on_ui = true;
  std::thread worker([&] {
    worker_on_ui = pipes.port.OnUiThread();
    worker_saw_result = true;
    for (int round = 1; round <= 100; ++round) {
      pipes.port.RunOnUiThreadAndWait([&] {
        if (pipes.port.OnUiThread()) ++ran_on_ui;
      });
      // The call returns only after the task ran, so its effect is seen.
      if (ran_on_ui != round) worker_saw_result = false;
    }
    worker_done = true;
    pipes.port.PostToUiThread([] {});  // wakes the loop to look at worker_done
  });
  EXPECT_TRUE(pipes.RunUntil([&] { return worker_done.load(); }));
  worker.join();
  EXPECT_FALSE(worker_on_ui);
  EXPECT_TRUE(worker_saw_result);
  EXPECT_EQ(ran_on_ui, 100);
}

TEST(TerminalLoop, RunOnUiThreadAndWaitRaisesTheTasksErrorInTheCaller) {
  PortOnPipes pipes;
  std::atomic<bool> worker_done{false};
  std::string caught;
  std::thread worker([&] {
    try {
      pipes.port.RunOnUiThreadAndWait([] { throw EListError("List index out of bounds (1)"); });
    } catch (const EListError& error) {
      caught = error.what();
    }
    worker_done = true;
    pipes.port.PostToUiThread([] {});  // wakes the loop to look at worker_done
  });
  EXPECT_TRUE(pipes.RunUntil([&] { return worker_done.load(); }));
  worker.join();
  EXPECT_EQ(caught, "List index out of bounds (1)");
  // The error went back to its caller, not to the error box.
  EXPECT_EQ(pipes.error.Drain(), "");
}

TEST(TerminalLoop, AnErrorThatReachesTheLoopIsShownAndTheLoopGoesOn) {
  PortOnPipes pipes;
  bool later_ran = false;
  pipes.port.PostToUiThread([] { throw Exception("'bogus' is not a valid integer value"); });
  pipes.port.PostToUiThread([] { throw EListError("List index out of bounds (1)"); });
  pipes.port.PostToUiThread([&] { later_ran = true; });
  EXPECT_TRUE(pipes.RunUntil([&] { return later_ran; }));
  EXPECT_EQ(pipes.error.Drain(),
            "ZelmoBot: 'bogus' is not a valid integer value.\n"
            "ZelmoBot: List index out of bounds (1)\n");
}

TEST(TerminalTimer, CreatedDisabledTicksWhileEnabledAndStops) {
  PortOnPipes pipes;
  int ticks = 0;
  auto timer = pipes.port.CreateTimer([&] { ++ticks; });
  EXPECT_FALSE(timer->Enabled());
  timer->SetInterval(5);
  // A disabled timer never ticks: a marker timer bounds the wait.
  int marker_ticks = 0;
  auto marker = pipes.port.CreateTimer([&] { ++marker_ticks; });
  marker->SetInterval(30);
  marker->SetEnabled(true);
  EXPECT_TRUE(pipes.RunUntil([&] { return marker_ticks >= 2; }));
  EXPECT_EQ(ticks, 0);

  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_TRUE(pipes.RunUntil([&] { return ticks >= 3; }));
  timer->SetEnabled(false);
  int after_stop = ticks;
  marker_ticks = 0;
  EXPECT_TRUE(pipes.RunUntil([&] { return marker_ticks >= 2; }));
  EXPECT_EQ(ticks, after_stop);
}

TEST(TerminalTimer, TicksRunOnTheLoopThreadAndMayStopOrDeleteTheirTimer) {
  PortOnPipes pipes;
  int one_shot_ticks = 0;
  std::unique_ptr<UiTimer> one_shot;
  one_shot = pipes.port.CreateTimer([&] {
    ++one_shot_ticks;
    one_shot->SetEnabled(false);
  });
  one_shot->SetInterval(1);
  one_shot->SetEnabled(true);

  int deleting_ticks = 0;
  bool on_ui = false;
  std::unique_ptr<UiTimer> deleting;
  deleting = pipes.port.CreateTimer([&] {
    ++deleting_ticks;
    on_ui = pipes.port.OnUiThread();
    deleting.reset();
  });
  deleting->SetInterval(1);
  deleting->SetEnabled(true);

  int marker_ticks = 0;
  auto marker = pipes.port.CreateTimer([&] { ++marker_ticks; });
  marker->SetInterval(20);
  marker->SetEnabled(true);
  EXPECT_TRUE(pipes.RunUntil([&] { return marker_ticks >= 3; }));
  EXPECT_EQ(one_shot_ticks, 1);
  EXPECT_EQ(deleting_ticks, 1);
  EXPECT_TRUE(on_ui);
  EXPECT_EQ(deleting, nullptr);
}

}  // namespace
}  // namespace zelmo
