#include <array>
#include <string>

#include "shell/scripts/lua/lua_api.h"
#include "shell/scripts/lua/lua_script.h"

// The tables a script's functions are handed.

namespace zelmo {

namespace {

constexpr std::array<const char*, kScriptEventKinds> kEventNames = {
    "join",    "part",   "quit", "kick",      "nick",
    "message", "action", "mode", "connected", "disconnected"};

void SetField(lua_State* L, const char* name, const std::string& value) {
  lua_pushlstring(L, value.data(), value.size());
  lua_setfield(L, -2, name);
}

int Reply(lua_State* L) {
  std::size_t length = 0;
  const char* text = luaL_checklstring(L, 1, &length);
  ScriptCommandCall call;
  call.channel = lua_tostring(L, lua_upvalueindex(1));
  call.nick = lua_tostring(L, lua_upvalueindex(2));
  call.address = lua_tostring(L, lua_upvalueindex(3));
  call.account = lua_tostring(L, lua_upvalueindex(4));
  call.level = static_cast<int>(lua_tointeger(L, lua_upvalueindex(5)));
  std::string line(text, length);
  LuaScript& script = LuaScript::Of(L);
  return Guarded(L, [&] {
    script.Host().Reply(script.Name(), call, line);
    return 0;
  });
}

}  // namespace

const char* EventName(ScriptEventKind kind) {
  return kEventNames[static_cast<std::size_t>(kind)];
}

std::optional<ScriptEventKind> EventNamed(std::string_view name) {
  for (std::size_t kind = 0; kind < kScriptEventKinds; ++kind) {
    if (name == kEventNames[kind]) return static_cast<ScriptEventKind>(kind);
  }
  return std::nullopt;
}

void PushCommandContext(lua_State* L, const ScriptCommandCall& call) {
  lua_createtable(L, 0, 6);
  SetField(L, "channel", call.channel);
  SetField(L, "nick", call.nick);
  SetField(L, "address", call.address);
  SetField(L, "account", call.account);
  lua_pushinteger(L, call.level);
  lua_setfield(L, -2, "level");
  for (const std::string* value : {&call.channel, &call.nick, &call.address, &call.account}) {
    lua_pushlstring(L, value->data(), value->size());
  }
  lua_pushinteger(L, call.level);
  lua_pushcclosure(L, Reply, 5);
  lua_setfield(L, -2, "reply");
}

void PushChannelArgs(lua_State* L, const std::vector<std::string>& parts) {
  lua_createtable(L, static_cast<int>(parts.size()), 1);
  std::string rest;
  lua_Integer word = 0;
  for (std::size_t index = 1; index < parts.size(); ++index) {
    if (index > 1) rest += ' ';
    rest += parts[index];
    if (parts[index].empty()) continue;
    lua_pushlstring(L, parts[index].data(), parts[index].size());
    lua_rawseti(L, -2, ++word);
  }
  SetField(L, "text", rest);
}

void PushList(lua_State* L, const std::vector<std::string>& items) {
  lua_createtable(L, static_cast<int>(items.size()), 0);
  lua_Integer index = 0;
  for (const std::string& item : items) {
    lua_pushlstring(L, item.data(), item.size());
    lua_rawseti(L, -2, ++index);
  }
}

void RaiseError(lua_State* L, const std::string& message) {
  lua_pushlstring(L, message.data(), message.size());
  lua_error(L);
  __builtin_unreachable();
}

}  // namespace zelmo
