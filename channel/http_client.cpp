#include "channel/http_client.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include "channel/http_fetch.h"
#include "shell/base/errors.h"

namespace zelmo {

// A fetch under way: its thread, and what lets the client end it.
struct RunningFetch {
  HttpClock::time_point deadline;
  ConnectCancel cancel;
  bool finished = false;   // under State::mutex
  bool timed_out = false;  // under State::mutex
  std::thread thread;
};

// The fetches under way and the one thread that ends each at its deadline:
// a receive of TLS waits for a whole record, so only closing the socket
// bounds a server that trickles one byte at a time.
struct HttpClient::State {
  Poster post;
  HttpGetLimits limits;
  // Cleared by the destructor; a posted answer that finds it cleared is dropped.
  std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);
  std::mutex mutex;
  std::condition_variable_any wake;
  std::list<RunningFetch> fetches;
  std::uint64_t changes = 0;
  std::jthread watchdog;  // last: stopped before the members above go

  void Run(RunningFetch& fetch, const HttpUrl& url, const HttpAllowList& allowed,
           const std::function<void(HttpAnswer)>& done);
  void Watch(std::stop_token stop);
  // Joins the fetches that have ended; the caller holds the mutex.
  void Reap();
};

void HttpClient::State::Run(RunningFetch& fetch, const HttpUrl& url, const HttpAllowList& allowed,
                            const std::function<void(HttpAnswer)>& done) {
  HttpAnswer answer;
  try {
    answer = FetchHttp(url, allowed, limits, fetch.deadline, fetch.cancel);
  } catch (const std::exception& error) {
    answer = {0, HttpFailureReason(error)};
  }
  {
    std::lock_guard lock(mutex);
    // Whatever the closed socket made of it, the fetch ran out of time.
    if (fetch.timed_out) answer = {0, "timed out"};
    fetch.finished = true;
    ++changes;
    wake.notify_all();
  }
  // Outside the lock: a poster may run the answer at once, and it may fetch again.
  if (!alive->load()) return;
  post([alive = alive, done, answer = std::move(answer)]() mutable {
    if (alive->load()) done(std::move(answer));
  });
}

void HttpClient::State::Watch(std::stop_token stop) {
  std::unique_lock lock(mutex);
  while (!stop.stop_requested()) {
    const auto now = HttpClock::now();
    auto next = HttpClock::time_point::max();
    for (RunningFetch& fetch : fetches) {
      if (fetch.finished || fetch.timed_out) continue;
      if (fetch.deadline <= now) {
        fetch.timed_out = true;
        fetch.cancel.Cancel();
      } else {
        next = std::min(next, fetch.deadline);
      }
    }
    const std::uint64_t seen = changes;
    const auto changed = [&] { return changes != seen; };
    if (next == HttpClock::time_point::max()) {
      wake.wait(lock, stop, changed);
    } else {
      wake.wait_until(lock, stop, next, changed);
    }
  }
}

void HttpClient::State::Reap() {
  for (auto it = fetches.begin(); it != fetches.end();) {
    if (!it->finished) {
      ++it;
      continue;
    }
    it->thread.join();  // it has nothing left to do but return
    it = fetches.erase(it);
  }
}

HttpClient::HttpClient(Poster post, HttpGetLimits limits) : state_(std::make_unique<State>()) {
  state_->post = std::move(post);
  state_->limits = limits;
}

HttpClient::~HttpClient() {
  state_->alive->store(false);
  {
    std::lock_guard lock(state_->mutex);
    for (RunningFetch& fetch : state_->fetches) fetch.cancel.Cancel();
  }
  if (state_->watchdog.joinable()) {
    state_->watchdog.request_stop();
    state_->watchdog.join();
  }
  for (RunningFetch& fetch : state_->fetches) fetch.thread.join();
}

void HttpClient::Get(const std::string& url, const HttpAllowList& allowed,
                     std::function<void(HttpAnswer)> done) {
  const HttpUrl target = ParseHttpUrl(url);
  if (!allowed.Allows(target.host)) throw Exception("host not allowed: " + target.host);
  State& state = *state_;
  std::lock_guard lock(state.mutex);
  state.Reap();
  if (state.fetches.size() >= state.limits.max_running) {
    throw Exception("too many web fetches at once (" + std::to_string(state.limits.max_running) +
                    ")");
  }
  if (!state.watchdog.joinable()) {
    state.watchdog = std::jthread([&state](std::stop_token stop) { state.Watch(stop); });
  }
  RunningFetch& fetch = state.fetches.emplace_back();
  fetch.deadline = HttpClock::now() + std::chrono::milliseconds(state.limits.total_ms);
  fetch.thread = std::thread([&state, &fetch, target, allowed, done = std::move(done)] {
    state.Run(fetch, target, allowed, done);
  });
  ++state.changes;
  state.wake.notify_all();
}

}  // namespace zelmo
