#include "shell/base/front_end.h"

#include <string>

#include "shell/base/form_host.h"
#include "shell/base/guarded_call.h"
#include "shell/base/termination_signals.h"
#include "shell/base/ui_port.h"

namespace zelmo {

int RunFrontEnd(FormFactory& factory, const FrontEndMaker& make) {
  TerminationSignals signals;
  std::unique_ptr<FrontEnd> front_end = make(signals.ReadFd());
  signals.SetBeforeHardExit([&front_end] { front_end->BeforeHardExit(); });
  // Unhooked before the front end goes.
  struct Unhook {
    TerminationSignals& signals;
    ~Unhook() { signals.SetBeforeHardExit(nullptr); }
  } unhook{signals};
  UiPort& port = front_end->Port();
  auto show_box = [&port](const std::string& title, const std::string& text) {
    port.ErrorBox(title, text);
  };
  std::unique_ptr<FormHost> form;
  if (!GuardedUiCall([&] { form = factory.CreateForm(port); }, show_box)) {
    return kFormFailedExitCode;
  }
  front_end->Run(*form);
  // The form goes before the front end whose port it uses.
  form.reset();
  return 0;
}

}  // namespace zelmo
