#pragma once

namespace zelmo {

class FormFactory;

// Runs the bot without a window on the process's standard streams until the
// console's EXIT is confirmed or SIGINT/SIGTERM has shut the bot down.
// Returns the process exit code.
int RunTerminalFrontEnd(FormFactory& factory);

}  // namespace zelmo
