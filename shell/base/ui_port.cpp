#include "shell/base/ui_port.h"

#include "shell/base/ui_call_gate.h"

namespace zelmo {

void UiPort::RunOnUiThreadAndWait(const std::function<void()>& task) {
  if (OnUiThread()) {
    task();
    return;
  }
  UiCallGate gate([this](std::function<void()> queued) { PostToUiThread(std::move(queued)); });
  gate.Call(task);
}

}  // namespace zelmo
