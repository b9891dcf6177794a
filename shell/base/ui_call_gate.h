#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace zelmo {

// Hands a function from a worker thread to the user-interface thread and
// waits until it has run there, the way the IRC reader hands over each line.
// The wait can be cancelled from any thread, so a worker that waits for a
// busy or closing user-interface thread never blocks its own shutdown.
class UiCallGate {
 public:
  using Poster = std::function<void(std::function<void()>)>;

  explicit UiCallGate(Poster post);
  ~UiCallGate();
  UiCallGate(const UiCallGate&) = delete;
  UiCallGate& operator=(const UiCallGate&) = delete;

  // Runs the task on the user-interface thread and waits for it. Returns
  // false when the gate was cancelled before the task ran (it then never
  // runs). An exception raised by the task is raised again here.
  bool Call(std::function<void()> task);

  // Stops the gate: a waiting Call returns false at once, a queued task that
  // has not started is dropped, and every later Call returns false.
  void Cancel();
  bool Cancelled() const;

 private:
  struct Slot;
  Poster post_;
  std::shared_ptr<std::atomic<bool>> cancelled_;
  std::mutex current_mutex_;
  std::shared_ptr<Slot> current_;
};

}  // namespace zelmo
