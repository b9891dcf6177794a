#include "shell/ui/terminal/event_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <system_error>

namespace zelmo {

namespace {

// A hand-over from the IRC reader is answered at once when the loop is still
// looking at its queue, which it does for 20 us to 250 us before it sleeps
// in poll(), the longer the sooner the last sleeps were ended by a
// hand-over.
constexpr auto kMinSpin = std::chrono::microseconds(20);
constexpr auto kMaxSpin = std::chrono::microseconds(250);
// While tasks keep arriving during the spin, descriptors are still polled
// at least this often.
constexpr auto kMaxPollGap = std::chrono::milliseconds(1);

}  // namespace

EventLoop::EventLoop() : thread_(std::this_thread::get_id()), spin_(kMinSpin, kMaxSpin) {
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

EventLoop::~EventLoop() {
  close(wake_fd_);
}

void EventLoop::Post(std::function<void()> task) {
  {
    std::lock_guard lock(tasks_mutex_);
    tasks_.push_back(std::move(task));
    queued_.fetch_add(1);
  }
  // Paired with the loop's store of sleeping_ before its last look at
  // queued_: either the loop sees the task or this sees it sleeping.
  if (sleeping_.load()) Wake();
}

void EventLoop::Wake() {
  std::uint64_t one = 1;
  ssize_t written;
  do {
    written = write(wake_fd_, &one, sizeof one);
  } while (written < 0 && errno == EINTR);
}

void EventLoop::DrainWake() {
  std::uint64_t count;
  ssize_t got;
  do {
    got = read(wake_fd_, &count, sizeof count);
  } while (got < 0 && errno == EINTR);
}

void EventLoop::Watch(int fd, std::function<void()> on_ready) {
  Unwatch(fd);
  watches_.push_back({fd, POLLIN, std::make_shared<std::function<void()>>(std::move(on_ready))});
}

void EventLoop::Unwatch(int fd) {
  std::erase_if(watches_,
                [fd](const WatchEntry& entry) { return entry.fd == fd && entry.events == POLLIN; });
}

void EventLoop::WatchWritable(int fd, std::function<void()> on_ready) {
  UnwatchWritable(fd);
  watches_.push_back({fd, POLLOUT, std::make_shared<std::function<void()>>(std::move(on_ready))});
}

void EventLoop::UnwatchWritable(int fd) {
  std::erase_if(watches_, [fd](const WatchEntry& entry) {
    return entry.fd == fd && entry.events == POLLOUT;
  });
}

int EventLoop::AddTimer(std::function<void()> on_tick) {
  int id = next_timer_id_++;
  timers_[id].on_tick = std::make_shared<std::function<void()>>(std::move(on_tick));
  return id;
}

void EventLoop::RemoveTimer(int id) {
  timers_.erase(id);
}

void EventLoop::SetTimer(int id, int interval_ms, bool enabled) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  Timer& timer = it->second;
  timer.interval = std::chrono::milliseconds(std::max(interval_ms, 0));
  timer.enabled = enabled && interval_ms > 0;
  timer.due = Clock::now() + timer.interval;
}

void EventLoop::RunUntil(const std::function<bool()>& done) {
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth_};
  while (!done()) {
    // Tasks posted while this round runs wait for the next one, so timers
    // and descriptors get their turn between them.
    std::size_t batch = queued_.load();
    for (std::size_t i = 0; i < batch && !done(); ++i) {
      if (!RunOneTask()) break;
    }
    if (done()) break;
    RunDueTimers(done);
    if (done()) break;
    WaitAndDispatch(done);
  }
}

bool EventLoop::RunOneTask() {
  std::function<void()> task;
  {
    std::lock_guard lock(tasks_mutex_);
    if (tasks_.empty()) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
    queued_.fetch_sub(1);
  }
  Call(task);
  return true;
}

void EventLoop::RunDueTimers(const std::function<bool()>& done) {
  Clock::time_point now = Clock::now();
  std::vector<int> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.enabled && timer.due <= now) due.push_back(id);
  }
  for (int id : due) {
    if (done()) return;
    // An earlier tick may have stopped, changed or removed this timer.
    auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.enabled || it->second.due > now) continue;
    it->second.due = Clock::now() + it->second.interval;
    std::shared_ptr<std::function<void()>> tick = it->second.on_tick;
    Call(*tick);
  }
}

int EventLoop::TimeoutMs() const {
  std::optional<Clock::time_point> nearest;
  for (const auto& [id, timer] : timers_) {
    if (timer.enabled && (!nearest || timer.due < *nearest)) nearest = timer.due;
  }
  if (!nearest) return -1;
  auto left = *nearest - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, 60 * 60 * 1000));
}

void EventLoop::WaitAndDispatch(const std::function<bool()>& done) {
  int timeout = queued_.load() > 0 ? 0 : TimeoutMs();
  if (timeout != 0 && spin_.Look([this] { return queued_.load(std::memory_order_acquire) > 0; })) {
    if (Clock::now() - last_poll_ < kMaxPollGap) return;
    timeout = 0;
  }
  std::vector<pollfd> fds;
  fds.reserve(watches_.size() + 1);
  fds.push_back({wake_fd_, POLLIN, 0});
  for (const WatchEntry& entry : watches_) fds.push_back({entry.fd, entry.events, 0});
  std::vector<WatchEntry> polled = watches_;

  if (timeout != 0) {
    sleeping_.store(true);
    if (queued_.load() > 0) timeout = 0;
  }
  Clock::time_point slept_from = Clock::now();
  int ready = poll(fds.data(), fds.size(), timeout);
  sleeping_.store(false);
  last_poll_ = Clock::now();
  if (timeout != 0) spin_.Slept(last_poll_ - slept_from, ready > 0 && fds[0].revents != 0);
  if (ready <= 0) return;
  if (fds[0].revents != 0) DrainWake();
  for (std::size_t i = 1; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    if (done()) return;
    // Skip a watch that an earlier callback of this round removed.
    const WatchEntry& entry = polled[i - 1];
    bool still_watched = std::any_of(watches_.begin(), watches_.end(), [&](const WatchEntry& w) {
      return w.fd == entry.fd && w.on_ready == entry.on_ready;
    });
    if (still_watched) Call(*entry.on_ready);
  }
}

void EventLoop::Call(const std::function<void()>& callback) {
  try {
    callback();
  } catch (...) {
    if (!on_error_) return;
    try {
      on_error_(std::current_exception());
    } catch (...) {
      // The handler's own failure has nowhere left to go.
    }
  }
}

}  // namespace zelmo
