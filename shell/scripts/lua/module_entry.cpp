#include <exception>
#include <new>

#include "shell/scripts/lua/lua_engine.h"

// The module's one exported symbol: no exception crosses the module's edge.
extern "C" __attribute__((visibility("default"))) zelmo::ScriptEngine* zelmobot_make_script_engine(
    zelmo::ScriptHost* host) {
  if (host == nullptr) return nullptr;
  try {
    return new zelmo::LuaEngine(*host);
  } catch (const std::exception&) {
    return nullptr;
  }
}
