#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>

#include "qt_test_support.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"

namespace zelmo {
namespace {

using testing::ProcessEventsUntil;
using testing::TestApp;

class QtPortTest : public ::testing::Test {
 protected:
  // First, so that the application exists before any widget.
  QApplication& app_ = TestApp();

  MainWindow window_;
  QtPort port_{window_};
};

TEST_F(QtPortTest, PostedTasksRunOnTheGuiThreadInEachPostersOrder) {
  constexpr int kThreads = 4, kTasks = 300;
  std::vector<std::pair<int, int>> seen;  // thread, sequence
  bool all_on_gui_thread = true;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      EXPECT_FALSE(port_.OnUiThread());
      for (int i = 0; i < kTasks; ++i) {
        port_.PostToUiThread([&, t, i] {
          all_on_gui_thread = all_on_gui_thread && port_.OnUiThread();
          seen.emplace_back(t, i);
        });
      }
    });
  }
  for (auto& poster : posters) poster.join();
  ASSERT_TRUE(ProcessEventsUntil([&] { return seen.size() == kThreads * kTasks; }));
  std::vector<int> next(kThreads, 0);
  for (auto [t, i] : seen) ASSERT_EQ(i, next[t]++);
  EXPECT_TRUE(all_on_gui_thread);
}

TEST_F(QtPortTest, AWorkerWaitsForItsCallOnTheGuiThread) {
  std::atomic<bool> done{false};
  bool ran_on_gui_thread = false;
  std::string error;
  std::thread worker([&] {
    port_.RunOnUiThreadAndWait([&] { ran_on_gui_thread = port_.OnUiThread(); });
    try {
      port_.RunOnUiThreadAndWait([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
    done = true;
  });
  const bool finished = ProcessEventsUntil([&] { return done.load(); }, 10000);
  worker.join();
  ASSERT_TRUE(finished);
  EXPECT_TRUE(ran_on_gui_thread);
  EXPECT_EQ(error, "boom");
}

TEST_F(QtPortTest, TimerIsCreatedDisabledAndTicksWhileEnabled) {
  int ticks = 0;
  auto timer = port_.CreateTimer([&] { ++ticks; });
  EXPECT_FALSE(timer->Enabled());
  timer->SetInterval(5);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  ASSERT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));
  timer->SetEnabled(false);
  EXPECT_FALSE(timer->Enabled());
  const int after_stop = ticks;
  ProcessEventsUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, after_stop);
}

TEST_F(QtPortTest, ATimerWithoutIntervalNeverTicks) {
  int ticks = 0;
  auto timer = port_.CreateTimer([&] { ++ticks; });
  timer->SetInterval(0);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  ProcessEventsUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, 0);
  timer->SetInterval(5);
  EXPECT_TRUE(ProcessEventsUntil([&] { return ticks >= 1; }));
}

TEST_F(QtPortTest, ATickThatFailsIsShownAndTheTimerGoesOn) {
  int ticks = 0;
  auto timer = port_.CreateTimer([&] {
    if (++ticks == 1) throw std::runtime_error("tick failed");
  });
  testing::BoxAnswerer answerer(QMessageBox::Ok);
  timer->SetInterval(5);
  timer->SetEnabled(true);
  EXPECT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(answerer.Seen().text, QStringLiteral("tick failed."));
}

TEST_F(QtPortTest, TasksPostedToAGonePortAreDropped) {
  int ran = 0;
  {
    MainWindow window;
    QtPort port(window);
    port.PostToUiThread([&] { ++ran; });
  }
  port_.PostToUiThread([&] { ran += 10; });
  ASSERT_TRUE(ProcessEventsUntil([&] { return ran >= 10; }));
  EXPECT_EQ(ran, 10);
}

}  // namespace
}  // namespace zelmo
