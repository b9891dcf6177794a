#pragma once

#include <string>

#include "support/loopback_server.h"

namespace zelmo::testing {

// How the server's TLS records go out: whole, or each but its last byte,
// which is never sent, so that a client waits inside a record.
enum class TlsRecords { Whole, HoldLastByte };

// Makes every client of a loopback server talk TLS, with the certificate
// and key of the PEM files given. The handshake runs as a client is
// accepted, bounded; a client that fails it is not accepted.
ChannelFactory TlsPeerChannels(const std::string& cert_file, const std::string& key_file,
                               TlsRecords records = TlsRecords::Whole);

}  // namespace zelmo::testing
