#pragma once

#include "irc/transport/tls_settings.h"

struct ssl_ctx_st;

namespace zelmo {

// The client context a link is made from: the trust the settings ask for
// and the client certificate, if any. Raises TlsRefused saying what is
// wrong with a file the settings name.
ssl_ctx_st* MakeClientContext(const TlsSettings& settings);

}  // namespace zelmo
