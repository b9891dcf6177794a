#include "shell/ui/terminal/terminal_front_end.h"

#include <unistd.h>

#include <exception>
#include <string>

#include "shell/base/form_host.h"
#include "shell/base/termination_signals.h"
#include "shell/ui/terminal/fd_output.h"
#include "shell/ui/terminal/terminal_port.h"

namespace zelmo {

int RunTerminalFrontEnd(FormFactory& factory) {
  // Signals are caught before the form exists, so one that arrives while
  // the form starts up shuts it down as soon as the loop runs.
  TerminationSignals signals;
  TerminalStreams streams;
  streams.output_is_terminal = isatty(STDOUT_FILENO) == 1;
  streams.signal_fd = signals.ReadFd();
  TerminalPort port(streams);
  std::unique_ptr<FormHost> form;
  try {
    form = factory.CreateForm(port);
  } catch (const std::exception& e) {
    WriteFully(STDERR_FILENO, std::string("ZelmoBot: ") + e.what() + "\n");
    return 1;
  }
  port.Run(*form);
  // The form goes before the port it uses.
  form.reset();
  return 0;
}

}  // namespace zelmo
