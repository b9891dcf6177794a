#pragma once

namespace zelmo {

// Gives back the pages of OpenSSL's code and read-only data that the
// process has mapped. Setting up OpenSSL and a handshake run through most
// of libcrypto once, and the kernel maps its code in large blocks, so a
// connected bot would keep megabytes of code it does not run again; the
// few pages an established link uses come back from the page cache when
// next run, without reading the disk. Pages written at load time
// (relocations) are left alone: the file does not hold them.
void ReleaseOpenSslCodePages();

}  // namespace zelmo
