#pragma once

#include "shell/ui/terminal/control_server.h"

namespace zelmo {

class FormFactory;

// Runs the bot without a window on the process's standard streams until the
// console's EXIT is confirmed or SIGINT/SIGTERM has shut the bot down.
// Consoles attach on the listening control socket when there is one (-1 for
// none; taken over). Returns the process exit code.
int RunTerminalFrontEnd(FormFactory& factory, int control_fd = -1, ControlLimits limits = {});

}  // namespace zelmo
