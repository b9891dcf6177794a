#pragma once

#include <string>
#include <utility>

#include "shell/base/guarded_call.h"
#include "shell/ui/qt/dialogs.h"
#include "shell/ui/qt/text_bytes.h"

class QWidget;

namespace zelmo {

// GuardedUiCall with the error box over the given widget.
template <typename Call>
bool GuardedCall(QWidget* parent, Call&& call) {
  return GuardedUiCall(std::forward<Call>(call),
                       [parent](const std::string& title, const std::string& text) {
                         ShowErrorBox(parent, TextFromBytes(title), TextFromBytes(text));
                       });
}

}  // namespace zelmo
