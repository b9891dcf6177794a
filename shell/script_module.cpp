#include "shell/script_module.h"

#include "shell/base/modules.h"

namespace zelmo {

ZelmoMakeScriptEngine* LoadScriptModule(std::string& why_not) {
  void* entry = LoadModuleEntry(ModulePath(RunningProgramFolder(), kScriptModuleFile),
                                kScriptEngineSymbol, why_not);
  return reinterpret_cast<ZelmoMakeScriptEngine*>(entry);
}

}  // namespace zelmo
