#pragma once

#include <sched.h>

#include <algorithm>
#include <chrono>

namespace zelmo {

// How a thread waits for another one to hand it something: it looks awake
// for a short while, and sleeps only when nothing came in that time. On this
// program's hand-overs (a line from the IRC reader to the user-interface
// thread, and the reader's wait for that line to be handled) the answer
// usually comes within microseconds, sooner than a sleeping thread runs again
// (on a virtual machine a wake-up on another processor takes tens of
// microseconds), so a short look spares both threads a sleep and a wake-up.
//
// The look yields the processor between glances rather than pausing: the
// two threads take turns, so the scheduler often puts them on one processor,
// and then the other thread runs at once; on a processor of its own the
// yield returns at once and the look is a plain spin.
//
// The look lasts between a shortest and a longest time. A sleep that the
// awaited hand-over ended within the longest look would have been cheaper
// spent looking, so the next look is twice as long; after a sleep at least
// that long it is halved. Hand-overs in quick succession are thus taken
// without any wake-up, while a quiet waiter looks only briefly. With the two
// times equal the look keeps its length.
class SpinBeforeSleep {
 public:
  using Clock = std::chrono::steady_clock;

  constexpr SpinBeforeSleep(Clock::duration shortest, Clock::duration longest)
      : shortest_(shortest), longest_(longest), look_(shortest) {}
  explicit constexpr SpinBeforeSleep(Clock::duration look) : SpinBeforeSleep(look, look) {}

  // Looks at arrived() until it holds or the look is over; returns whether
  // it holds, so that the caller sleeps only when it does not.
  template <typename Arrived>
  bool Look(Arrived&& arrived) const {
    const Clock::time_point until = Clock::now() + look_;
    for (;;) {
      if (arrived()) return true;
      if (Clock::now() >= until) return false;
      sched_yield();
    }
  }

  // How the sleep after a look went: how long it took, and whether the
  // awaited hand-over ended it (rather than a time-out or other work).
  void Slept(Clock::duration slept, bool ended_by_hand_over) {
    if (ended_by_hand_over && slept < longest_) {
      look_ = std::min(look_ * 2, longest_);
    } else if (slept >= longest_) {
      look_ = std::max(look_ / 2, shortest_);
    }
  }

  Clock::duration LookTime() const { return look_; }

 private:
  Clock::duration shortest_;
  Clock::duration longest_;
  Clock::duration look_;
};

}  // namespace zelmo
