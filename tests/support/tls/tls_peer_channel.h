#pragma once

#include <string>

#include "support/loopback_server.h"

namespace zelmo::testing {

// Makes every client of a loopback server talk TLS, with the certificate
// and key of the PEM files given. The handshake runs as a client is
// accepted, bounded; a client that fails it is not accepted.
ChannelFactory TlsPeerChannels(const std::string& cert_file, const std::string& key_file);

}  // namespace zelmo::testing
