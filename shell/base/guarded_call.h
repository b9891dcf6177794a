#pragma once

#include <exception>
#include <string>
#include <utility>

#include "shell/base/error_box.h"

namespace zelmo {

// Runs a call into the form from the top of a front end's user-interface
// thread (an event handler, a posted task, a timer tick). The form shows its
// own errors; one that still escapes must not unwind through the event loop,
// so it goes to the error box like any error that reaches the top of that
// thread, and the program goes on. show_box(title, text) draws the box.
// Returns whether the call completed.
template <typename Call, typename ShowBox>
bool GuardedUiCall(Call&& call, ShowBox&& show_box) {
  try {
    std::forward<Call>(call)();
    return true;
  } catch (...) {
    show_box(std::string(kBoxTitle), ErrorBoxText(std::current_exception()));
  }
  return false;
}

}  // namespace zelmo
