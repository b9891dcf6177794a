#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/base/ui_port.h"

namespace zelmo {

// What the form's owned parts ask of the form itself: its catch point at
// the top of the user-interface thread, and whether it is closing.
class FormCallbacks {
 public:
  // Runs an action; an error it raises is shown in the error box and the
  // program goes on.
  virtual void RunAtTopOfUiThread(const std::function<void()>& action) = 0;
  virtual void ShowError(const std::string& message) = 0;
  // True from the close (or destruction) on: nothing new is started.
  virtual bool Closing() const = 0;

 protected:
  ~FormCallbacks() = default;
};

// A timer of the port whose ticks run at the form's catch point.
inline std::unique_ptr<UiTimer> CreateCaughtTimer(UiPort& port, FormCallbacks& form,
                                                  std::function<void()> tick) {
  return port.CreateTimer([&form, tick = std::move(tick)] { form.RunAtTopOfUiThread(tick); });
}

}  // namespace zelmo
