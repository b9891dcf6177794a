#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "shell/base/spin_before_sleep.h"

namespace zelmo {

// A small single-threaded event loop: functions posted from any thread,
// readiness of file descriptors, and timers, all run on the thread that made
// the loop. Loops nest: a callback may run the loop again until some
// condition holds (a question waiting for its answer).
class EventLoop {
 public:
  using Clock = std::chrono::steady_clock;
  using ErrorHandler = std::function<void(std::exception_ptr)>;

  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Safe from any thread; functions run in the order they were posted.
  void Post(std::function<void()> task);
  bool OnLoopThread() const { return std::this_thread::get_id() == thread_; }

  // Calls on_ready on the loop thread while the descriptor is readable, has
  // hung up or failed. The callback must read, or unwatch the descriptor.
  void Watch(int fd, std::function<void()> on_ready);
  void Unwatch(int fd);
  // The same for room to write: on_ready runs while the descriptor takes
  // more bytes (or has hung up or failed).
  void WatchWritable(int fd, std::function<void()> on_ready);
  void UnwatchWritable(int fd);

  // Timers, on the loop thread only. A timer ticks every interval while
  // enabled; an interval below 1 ms never ticks.
  int AddTimer(std::function<void()> on_tick);
  void RemoveTimer(int id);
  // Setting an enabled timer (again) starts its interval anew.
  void SetTimer(int id, int interval_ms, bool enabled);

  // Runs callbacks until done() holds; it is checked before every callback.
  void RunUntil(const std::function<bool()>& done);
  int Depth() const { return depth_; }

  // Receives whatever a callback throws; without one the error is dropped.
  void SetErrorHandler(ErrorHandler handler) { on_error_ = std::move(handler); }

 private:
  struct Timer {
    std::shared_ptr<std::function<void()>> on_tick;
    std::chrono::milliseconds interval{0};
    bool enabled = false;
    Clock::time_point due;
  };
  struct WatchEntry {
    int fd;
    short events;
    std::shared_ptr<std::function<void()>> on_ready;
  };

  bool RunOneTask();
  void RunDueTimers(const std::function<bool()>& done);
  void WaitAndDispatch(const std::function<bool()>& done);
  int TimeoutMs() const;
  void Call(const std::function<void()>& callback);
  void Wake();
  void DrainWake();

  std::thread::id thread_;
  int wake_fd_ = -1;
  int depth_ = 0;
  ErrorHandler on_error_;

  std::mutex tasks_mutex_;
  std::deque<std::function<void()>> tasks_;
  std::atomic<std::size_t> queued_{0};
  std::atomic<bool> sleeping_{false};

  std::vector<WatchEntry> watches_;
  std::map<int, Timer> timers_;
  int next_timer_id_ = 1;
  Clock::time_point last_poll_;
  // The look for the next task before the loop sleeps in poll().
  SpinBeforeSleep spin_;
};

}  // namespace zelmo
