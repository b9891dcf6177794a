#include "irc/transport/tls_link.h"
#include "irc/transport/transport_errors.h"
#include "shell/base/modules.h"

namespace zelmo {

ZelmoTlsConnect* LoadTlsModule() {
  std::string why_not;
  void* entry = LoadModuleEntry(ModulePath(RunningProgramFolder(), kTlsModuleFile),
                                kTlsConnectSymbol, why_not);
  if (entry == nullptr) throw EIdTLSError("TLS: the TLS module cannot be loaded: " + why_not);
  return reinterpret_cast<ZelmoTlsConnect*>(entry);
}

}  // namespace zelmo
