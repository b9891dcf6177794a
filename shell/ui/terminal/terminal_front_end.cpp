#include "shell/ui/terminal/terminal_front_end.h"

#include <unistd.h>

#include "shell/base/front_end.h"
#include "shell/ui/terminal/terminal_port.h"

namespace zelmo {

int RunTerminalFrontEnd(FormFactory& factory) {
  return RunFrontEnd(factory, [](int signal_fd) -> std::unique_ptr<FrontEnd> {
    TerminalStreams streams;
    streams.output_is_terminal = isatty(STDOUT_FILENO) == 1;
    streams.signal_fd = signal_fd;
    return std::make_unique<TerminalPort>(streams);
  });
}

}  // namespace zelmo
