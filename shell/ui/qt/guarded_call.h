#pragma once

#include <exception>
#include <utility>

#include "shell/ui/qt/application_name.h"
#include "shell/ui/qt/dialogs.h"
#include "shell/ui/qt/text_bytes.h"

class QWidget;

namespace zelmo {

// Runs a call into the logic from an event handler. The logic shows its own
// errors; one that still escapes must not unwind through the toolkit's event
// loop, so it is shown in an error box and the program goes on. Returns
// whether the call completed.
template <typename Call>
bool GuardedCall(QWidget* parent, Call&& call) {
  try {
    std::forward<Call>(call)();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(parent, ApplicationName(), TextFromBytes(error.what()));
  } catch (...) {
    ShowErrorBox(parent, ApplicationName(), QStringLiteral("Unknown error"));
  }
  return false;
}

}  // namespace zelmo
