#pragma once

#include <string>

#include "shell/scripts/script_engine.h"

namespace zelmo {

// The entry of the script module (libzelmobot_lua.so beside the program, or
// in lib/zelmobot/ when installed), loaded on first use; nullptr with the
// reason in why_not when it cannot be loaded.
ZelmoMakeScriptEngine* LoadScriptModule(std::string& why_not);

}  // namespace zelmo
