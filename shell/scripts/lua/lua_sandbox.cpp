#include <cctype>
#include <string>
#include <string_view>

#include "shell/base/ini_disk.h"
#include "shell/scripts/lua/error_lines.h"
#include "shell/scripts/lua/lua_api.h"
#include "shell/scripts/lua/lua_script.h"

// The globals a script gets: base (without file access, binary chunks or a
// way to stop the collector), string, table, math, utf8, coroutine, and of
// os only the clock. No io, package or debug.

namespace zelmo {

namespace {

constexpr std::size_t kMaxRequireName = 128;
constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 20;

void OpenLibrary(lua_State* L, const char* name, lua_CFunction open) {
  lua_pushcfunction(L, open);
  lua_call(L, 0, 1);
  lua_setglobal(L, name);
}

// load(text [, name [, mode [, env]]]): text only, never a binary chunk, and
// with the script's globals unless an env is given.
int LoadText(lua_State* L) {
  luaL_checktype(L, 1, LUA_TSTRING);
  const char* mode = luaL_optstring(L, 3, "t");
  if (std::string_view(mode).find('t') == std::string_view::npos) {
    return luaL_error(L, "binary chunks are not allowed");
  }
  const bool has_env = !lua_isnone(L, 4);
  lua_settop(L, 4);
  if (!has_env) {
    lua_pushglobaltable(L);
    lua_replace(L, 4);
  }
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushvalue(L, 1);
  lua_pushvalue(L, 2);
  lua_pushliteral(L, "t");
  lua_pushvalue(L, 4);
  lua_call(L, 4, LUA_MULTRET);
  return lua_gettop(L) - 4;
}

// collectgarbage with the options that cannot stop or retune the collector.
int CollectGarbage(lua_State* L) {
  const std::string_view option = luaL_optstring(L, 1, "collect");
  if (option != "collect" && option != "count" && option != "step") {
    return luaL_error(L, "collectgarbage: option '%s' is not allowed", option.data());
  }
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  return lua_gettop(L);
}

// setmetatable without finalizers: Lua runs a __gc function with the step
// hook off, so one that never ends would hang the bot. An object is marked
// for finalizing only when its metatable has __gc as it is set, so a __gc
// added later is never called.
int SetMetatable(lua_State* L) {
  if (lua_type(L, 2) == LUA_TTABLE) {
    lua_pushliteral(L, "__gc");
    if (lua_rawget(L, 2) != LUA_TNIL) {
      return luaL_error(L, "setmetatable: __gc metamethods are not allowed");
    }
  }
  lua_settop(L, 2);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, 2, 1);
  return 1;
}

// print goes to the operator's display.
int Print(lua_State* L) {
  const int count = lua_gettop(L);
  luaL_Buffer line;
  luaL_buffinit(L, &line);
  for (int index = 1; index <= count; ++index) {
    if (index > 1) luaL_addchar(&line, '\t');
    luaL_tolstring(L, index, nullptr);
    luaL_addvalue(&line);
  }
  luaL_pushresult(&line);
  LuaScript& script = LuaScript::Of(L);
  const std::string text =
      "Script " + script.Name() + ": " + OneLine(lua_tostring(L, -1), kMaxDisplayText);
  return Guarded(L, [&] {
    script.Host().Display(text, Normal);
    return 0;
  });
}

// "a.b_c" → "a/b_c.lua"; empty when the name may not be required.
std::string RequirePath(std::string_view name) {
  if (name.empty() || name.size() > kMaxRequireName || name.front() == '.' || name.back() == '.' ||
      name.find("..") != std::string_view::npos) {
    return {};
  }
  std::string path;
  for (char c : name) {
    if (c == '.') {
      path += '/';
    } else if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_') {
      path += c;
    } else {
      return {};
    }
  }
  return path + ".lua";
}

// require(name): a text chunk of the scripts' folder, run once per state.
int Require(lua_State* L) {
  const std::string name = luaL_checkstring(L, 1);
  const std::string path = RequirePath(name);
  if (path.empty()) return luaL_error(L, "require: '%s' is not a module name", name.c_str());
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kRequiredKey);
  if (lua_getfield(L, -1, path.c_str()) != LUA_TNIL) return 1;
  lua_pop(L, 1);
  const std::string folder = lua_tostring(L, lua_upvalueindex(1));
  FileContent file = ReadFile(folder + "/" + path);
  if (file.state != FileState::kReadable) {
    return luaL_error(L, "require: no module '%s' in the scripts' folder", name.c_str());
  }
  if (file.bytes.size() > kMaxSourceBytes) {
    return luaL_error(L, "require: module '%s' is larger than 1 MiB", name.c_str());
  }
  const std::string chunk_name = "@" + path;
  if (luaL_loadbufferx(L, file.bytes.data(), file.bytes.size(), chunk_name.c_str(), "t") !=
      LUA_OK) {
    return lua_error(L);
  }
  lua_pushvalue(L, 1);
  lua_call(L, 1, 1);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    lua_pushboolean(L, 1);
  }
  lua_pushvalue(L, -1);
  lua_setfield(L, -3, path.c_str());
  return 1;
}

void WrapGlobal(lua_State* L, const char* name, lua_CFunction wrapper) {
  lua_getglobal(L, name);
  lua_pushcclosure(L, wrapper, 1);
  lua_setglobal(L, name);
}

void OpenClock(lua_State* L) {
  lua_pushcfunction(L, luaopen_os);
  lua_call(L, 0, 1);
  lua_createtable(L, 0, 3);
  for (const char* name : {"time", "date", "clock"}) {
    lua_getfield(L, -2, name);
    lua_setfield(L, -2, name);
  }
  lua_setglobal(L, "os");
  lua_pop(L, 1);
}

}  // namespace

void OpenSandbox(lua_State* L, const std::string& folder) {
  lua_pushcfunction(L, luaopen_base);
  lua_call(L, 0, 0);
  OpenLibrary(L, LUA_STRLIBNAME, luaopen_string);
  lua_getglobal(L, LUA_STRLIBNAME);
  OpenPatterns(L, &LuaScript::Of(L));
  lua_pop(L, 1);
  OpenLibrary(L, LUA_TABLIBNAME, luaopen_table);
  OpenLibrary(L, LUA_MATHLIBNAME, luaopen_math);
  OpenLibrary(L, LUA_UTF8LIBNAME, luaopen_utf8);
  OpenLibrary(L, LUA_COLIBNAME, luaopen_coroutine);
  OpenClock(L);
  for (const char* name : {"dofile", "loadfile"}) {
    lua_pushnil(L);
    lua_setglobal(L, name);
  }
  WrapGlobal(L, "load", LoadText);
  WrapGlobal(L, "collectgarbage", CollectGarbage);
  WrapGlobal(L, "setmetatable", SetMetatable);
  lua_register(L, "print", Print);
  lua_newtable(L);
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kRequiredKey);
  lua_pushlstring(L, folder.data(), folder.size());
  lua_pushcclosure(L, Require, 1);
  lua_setglobal(L, "require");
}

}  // namespace zelmo
