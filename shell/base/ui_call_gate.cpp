#include "shell/base/ui_call_gate.h"

#include <chrono>
#include <mutex>

#include "shell/base/spin_before_sleep.h"

namespace zelmo {

// One hand-over at a time per gate. States: 0 queued, 1 running,
// 2 done, 3 cancelled.
struct UiCallGate::Slot {
  std::atomic<int> state{0};
  // Set by a waiter before it sleeps, so that a hand-over that finished
  // while the waiter was still looking costs no wake-up call.
  std::atomic<bool> sleeper{false};
  std::function<void()> task;
  std::exception_ptr error;
};

namespace {
constexpr int kQueued = 0;
constexpr int kRunning = 1;
constexpr int kDone = 2;
constexpr int kCancelled = 3;
// Most lines are handled within a few microseconds; beyond this look the
// caller sleeps on the futex.
constexpr SpinBeforeSleep kCallerLook(std::chrono::microseconds(50));

bool Settled(const std::atomic<int>& state) {
  const int now = state.load(std::memory_order_acquire);
  return now == kDone || now == kCancelled;
}
}  // namespace

UiCallGate::UiCallGate(Poster post)
    : post_(std::move(post)), cancelled_(std::make_shared<std::atomic<bool>>(false)) {}

UiCallGate::~UiCallGate() {
  Cancel();
}

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
    slot->state.store(kDone, std::memory_order_seq_cst);
    if (slot->sleeper.load(std::memory_order_seq_cst)) slot->state.notify_all();
  });
  if (cancelled_->load(std::memory_order_acquire)) {
    int expected = kQueued;
    if (slot->state.compare_exchange_strong(expected, kCancelled)) return false;
  }
  kCallerLook.Look([&] { return Settled(slot->state); });
  for (;;) {
    int state = slot->state.load(std::memory_order_acquire);
    if (state == kDone) break;
    if (state == kCancelled) return false;
    // Either the task's end sees the sleeper mark and wakes this thread, or
    // this look sees the state it left.
    slot->sleeper.store(true, std::memory_order_seq_cst);
    if (slot->state.load(std::memory_order_seq_cst) != state) continue;
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

bool UiCallGate::Cancelled() const {
  return cancelled_->load(std::memory_order_acquire);
}

}  // namespace zelmo
