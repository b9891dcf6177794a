#pragma once

#include <sys/types.h>

namespace zelmo::testing {

// Ends a server the tests started: SIGTERM (and SIGCONT, so a stopped one
// can act on it), SIGKILL when it has not gone within five seconds, reaped
// either way; pid becomes -1. Nothing for a pid of 0 or less.
void StopServerProcess(pid_t& pid);

}  // namespace zelmo::testing
