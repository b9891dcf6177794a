#include "shell/ui/terminal/terminal_front_end.h"

#include <unistd.h>

#include <cstdlib>

#include "shell/base/front_end.h"
#include "shell/ui/terminal/journal_stream.h"
#include "shell/ui/terminal/terminal_port.h"

namespace zelmo {

int RunTerminalFrontEnd(FormFactory& factory, int control_fd, ControlLimits limits) {
  return RunFrontEnd(factory, [=](int signal_fd) -> std::unique_ptr<FrontEnd> {
    TerminalStreams streams;
    streams.output_is_terminal = isatty(STDOUT_FILENO) == 1;
    streams.signal_fd = signal_fd;
    const char* journal = std::getenv("JOURNAL_STREAM");
    streams.output_is_journal = IsJournalStream(STDOUT_FILENO, journal);
    streams.error_is_journal = IsJournalStream(STDERR_FILENO, journal);
    streams.control_fd = control_fd;
    streams.control_limits = limits;
    return std::make_unique<TerminalPort>(streams);
  });
}

}  // namespace zelmo
