#include "shell/ui_call_gate.h"

#include <mutex>

namespace zelmo {

// One hand-over at a time per gate. States: 0 queued, 1 running,
// 2 done, 3 cancelled.
struct UiCallGate::Slot {
  std::atomic<int> state{0};
  std::function<void()> task;
  std::exception_ptr error;
};

namespace {
constexpr int kQueued = 0;
constexpr int kRunning = 1;
constexpr int kDone = 2;
constexpr int kCancelled = 3;
// Spinning a little before sleeping keeps a quick hand-over from paying for
// two sleeps and wake-ups; beyond that the waiter sleeps on the futex.
constexpr int kSpinRounds = 2000;
}  // namespace

UiCallGate::UiCallGate(Poster post)
    : post_(std::move(post)),
      cancelled_(std::make_shared<std::atomic<bool>>(false)) {}

UiCallGate::~UiCallGate() { Cancel(); }

bool UiCallGate::Call(std::function<void()> task) {
  if (cancelled_->load(std::memory_order_acquire)) return false;
  auto slot = std::make_shared<Slot>();
  slot->task = std::move(task);
  {
    std::lock_guard lock(current_mutex_);
    current_ = slot;
  }
  post_([slot] {
    int expected = kQueued;
    if (!slot->state.compare_exchange_strong(expected, kRunning)) return;
    try {
      slot->task();
    } catch (...) {
      slot->error = std::current_exception();
    }
    slot->state.store(kDone, std::memory_order_release);
    slot->state.notify_all();
  });
  if (cancelled_->load(std::memory_order_acquire)) {
    int expected = kQueued;
    if (slot->state.compare_exchange_strong(expected, kCancelled)) return false;
  }
  for (int round = 0; round < kSpinRounds; ++round) {
    int state = slot->state.load(std::memory_order_acquire);
    if (state == kDone || state == kCancelled) break;
  }
  for (;;) {
    int state = slot->state.load(std::memory_order_acquire);
    if (state == kDone) break;
    if (state == kCancelled) return false;
    slot->state.wait(state, std::memory_order_acquire);
  }
  {
    std::lock_guard lock(current_mutex_);
    current_.reset();
  }
  if (slot->error) std::rethrow_exception(slot->error);
  return true;
}

void UiCallGate::Cancel() {
  cancelled_->store(true, std::memory_order_release);
  std::shared_ptr<Slot> slot;
  {
    std::lock_guard lock(current_mutex_);
    slot = current_;
  }
  if (!slot) return;
  int expected = kQueued;
  if (slot->state.compare_exchange_strong(expected, kCancelled)) slot->state.notify_all();
}

bool UiCallGate::Cancelled() const { return cancelled_->load(std::memory_order_acquire); }

}  // namespace zelmo
