#pragma once

namespace zelmo::testing {

// A TCP port on 127.0.0.1 that was free a moment ago (another program may
// take it before the caller binds it).
int FreeLoopbackPort();

// True when something on 127.0.0.1 takes connections on the port.
bool LoopbackPortAccepts(int port);

}  // namespace zelmo::testing
