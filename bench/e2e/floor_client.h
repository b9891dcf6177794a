#pragma once

namespace zelmo::bench {

// The floor: the least an IRC client can do under the same workloads. It
// connects to 127.0.0.1 at the port, registers, reads every line and
// answers only a CTCP PING, with the NOTICE a real client sends. Returns
// the process exit code once the server has closed the connection. With
// tls, it talks TLS over the connection.
int RunFloorClient(int port, bool tls);

}  // namespace zelmo::bench
