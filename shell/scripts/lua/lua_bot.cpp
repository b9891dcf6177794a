#include <algorithm>
#include <string>
#include <string_view>

#include "shell/base/errors.h"
#include "shell/scripts/lua/lua_api.h"
#include "shell/scripts/lua/lua_script.h"

// The global `bot`: what a script may ask of the bot.

namespace zelmo {

namespace {

constexpr std::size_t kMaxCommandName = 32;
constexpr std::size_t kMaxHelpBytes = 400;
constexpr int kMaxHandlersPerEvent = 16;
constexpr const char* kTimerType = "zelmo.timer";

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
  return upper;
}

std::string ArgText(lua_State* L, int index) {
  std::size_t length = 0;
  const char* text = luaL_checklstring(L, index, &length);
  return std::string(text, length);
}

int OptionNumber(lua_State* L, const char* function, const char* field, int fallback, int least,
                 int most) {
  const int type = lua_getfield(L, 2, field);
  lua_Integer value = fallback;
  if (type != LUA_TNIL) {
    if (lua_isinteger(L, -1) == 0) luaL_error(L, "%s: %s must be a whole number", function, field);
    value = lua_tointeger(L, -1);
    if (value < least || value > most) {
      luaL_error(L, "%s: %s must be from %d to %d", function, field, least, most);
    }
  }
  lua_pop(L, 1);
  return static_cast<int>(value);
}

std::string OptionText(lua_State* L, const char* function, const char* field) {
  const int type = lua_getfield(L, 2, field);
  std::string value;
  if (type != LUA_TNIL) {
    if (type != LUA_TSTRING) luaL_error(L, "%s: %s must be a string", function, field);
    value = lua_tostring(L, -1);
    if (value.size() > kMaxHelpBytes) {
      luaL_error(L, "%s: %s is longer than %d bytes", function, field,
                 static_cast<int>(kMaxHelpBytes));
    }
  }
  lua_pop(L, 1);
  return value;
}

bool IsCommandName(std::string_view name, ScriptCommandKind kind) {
  const std::size_t least = kind == ScriptCommandKind::Channel ? 2 : 1;
  if (name.size() < least || name.size() > kMaxCommandName) return false;
  if (kind == ScriptCommandKind::Channel && name.front() != '!') return false;
  return std::none_of(name.begin(), name.end(),
                      [](unsigned char c) { return c <= ' ' || c == ';' || c == 0x7F; });
}

void CheckFree(lua_State* L, const char* function, const ScriptCommandInfo& wanted,
               const std::vector<std::string>& reserved) {
  const std::string upper = Upper(wanted.name);
  for (const std::string& own : reserved) {
    if (Upper(own) == upper) {
      luaL_error(L, "%s: %s is one of the bot's own commands", function, wanted.name.c_str());
    }
  }
  for (const ScriptCommandInfo& taken : LuaScript::Of(L).Shared().commands) {
    if (taken.kind == wanted.kind && Upper(taken.name) == upper) {
      luaL_error(L, "%s: %s is taken by %s", function, wanted.name.c_str(), taken.script.c_str());
    }
  }
}

int Register(lua_State* L, ScriptCommandKind kind) {
  const bool channel = kind == ScriptCommandKind::Channel;
  const char* function = channel ? "bot.command" : "bot.private";
  ScriptCommandInfo info;
  info.kind = kind;
  info.name = ArgText(L, 1);
  luaL_checktype(L, 2, LUA_TTABLE);
  luaL_checktype(L, 3, LUA_TFUNCTION);
  LuaScript& script = LuaScript::Of(L);
  if (!script.Loading())
    return luaL_error(L, "%s may be called only while the script loads", function);
  if (!IsCommandName(info.name, kind)) {
    return luaL_error(L,
                      channel ? "%s: '%s' is not a command name (\"!word\", no blanks)"
                              : "%s: '%s' is not a command name (one word, no ';')",
                      function, info.name.c_str());
  }
  CheckFree(L, function, info,
            channel ? script.Shared().settings.reserved_channel_commands
                    : script.Shared().settings.reserved_private_commands);
  info.script = script.Name();
  info.rights = OptionNumber(L, function, "rights", 0, -1, 1000);
  info.params = channel ? 0 : OptionNumber(L, function, "params", 1, 1, 100);
  info.help = OptionText(L, function, "help");
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kCommandsKey);
  lua_pushvalue(L, 3);
  lua_setfield(L, -2, info.name.c_str());
  script.Shared().commands.push_back(std::move(info));
  return 0;
}

int Command(lua_State* L) {
  return Register(L, ScriptCommandKind::Channel);
}
int Private(lua_State* L) {
  return Register(L, ScriptCommandKind::Private);
}

int On(lua_State* L) {
  const std::string name = ArgText(L, 1);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  const std::optional<ScriptEventKind> kind = EventNamed(name);
  if (!kind) return luaL_argerror(L, 1, ("unknown event '" + name + "'").c_str());
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kEventsKey);
  lua_rawgeti(L, -1, static_cast<int>(*kind) + 1);
  const lua_Unsigned count = lua_rawlen(L, -1);
  if (count >= kMaxHandlersPerEvent) {
    return luaL_error(L, "bot.on: at most %d functions per event", kMaxHandlersPerEvent);
  }
  lua_pushvalue(L, 2);
  lua_rawseti(L, -2, static_cast<lua_Integer>(count) + 1);
  LuaScript::Of(L).AddHandler(*kind);
  return 0;
}

template <typename Call>
int HostCall(lua_State* L, Call call) {
  LuaScript& script = LuaScript::Of(L);
  return Guarded(L, [&] {
    call(script.Host(), script.Name());
    return 0;
  });
}

int Say(lua_State* L) {
  const std::string target = ArgText(L, 1), text = ArgText(L, 2);
  return HostCall(L, [&](ScriptHost& host, const std::string& me) { host.Say(me, target, text); });
}

int Notice(lua_State* L) {
  const std::string target = ArgText(L, 1), text = ArgText(L, 2);
  return HostCall(L,
                  [&](ScriptHost& host, const std::string& me) { host.Notice(me, target, text); });
}

int Mode(lua_State* L) {
  const std::string channel = ArgText(L, 1), modes = ArgText(L, 2);
  return HostCall(L,
                  [&](ScriptHost& host, const std::string& me) { host.Mode(me, channel, modes); });
}

int Kick(lua_State* L) {
  const std::string channel = ArgText(L, 1), nick = ArgText(L, 2);
  const std::string reason = lua_isnoneornil(L, 3) ? std::string() : ArgText(L, 3);
  return HostCall(
      L, [&](ScriptHost& host, const std::string& me) { host.Kick(me, channel, nick, reason); });
}

int Display(lua_State* L) {
  static const char* const kClasses[] = {"normal", "important", "dangerous", "errorous", nullptr};
  static const TextClass kClassValues[] = {Normal, Important, Dangerous, Errorous};
  const std::string text = OneLine(ArgText(L, 1), kMaxDisplayText);
  const TextClass text_class = kClassValues[luaL_checkoption(L, 2, "normal", kClasses)];
  return HostCall(L, [&](ScriptHost& host, const std::string&) { host.Display(text, text_class); });
}

int Rights(lua_State* L) {
  const std::string address = ArgText(L, 1);
  const std::string scope = lua_isnoneornil(L, 2) ? std::string("GENERAL") : ArgText(L, 2);
  LuaScript& script = LuaScript::Of(L);
  const int level = Guarded(L, [&] { return script.Host().Rights(address, scope); });
  lua_pushinteger(L, level);
  return 1;
}

int UsersIn(lua_State* L) {
  const std::string channel = ArgText(L, 1);
  LuaScript& script = LuaScript::Of(L);
  std::vector<std::string> nicks;
  Guarded(L, [&] {
    nicks = script.Host().UsersIn(channel);
    return 0;
  });
  PushList(L, nicks);
  return 1;
}

int HttpGet(lua_State* L) {
  const std::string url = ArgText(L, 1);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  LuaScript& script = LuaScript::Of(L);
  return Guarded(L, [&] {
    script.Fetch(L, url, 2);
    return 0;
  });
}

int StartTimer(lua_State* L, bool repeat) {
  const double seconds = luaL_checknumber(L, 1);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  LuaScript& script = LuaScript::Of(L);
  const int number = Guarded(L, [&] { return script.Timers().Start(seconds, repeat); });
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kTimersKey);
  lua_pushvalue(L, 2);
  lua_rawseti(L, -2, number);
  *static_cast<int*>(lua_newuserdatauv(L, sizeof(int), 0)) = number;
  luaL_setmetatable(L, kTimerType);
  return 1;
}

int Every(lua_State* L) {
  return StartTimer(L, true);
}
int After(lua_State* L) {
  return StartTimer(L, false);
}

int CancelTimer(lua_State* L) {
  const int number = *static_cast<int*>(luaL_checkudata(L, 1, kTimerType));
  const bool stopped = LuaScript::Of(L).Timers().Cancel(number);
  if (stopped) {
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kTimersKey);
    lua_pushnil(L);
    lua_rawseti(L, -2, number);
  }
  lua_pushboolean(L, stopped ? 1 : 0);
  return 1;
}

int StoreGet(lua_State* L) {
  const StoreValue* value = LuaScript::Of(L).Store().Find(ArgText(L, 2));
  if (value == nullptr) {
    lua_pushnil(L);
  } else if (const auto* text = std::get_if<std::string>(value)) {
    lua_pushlstring(L, text->data(), text->size());
  } else if (const auto* whole = std::get_if<std::int64_t>(value)) {
    lua_pushinteger(L, *whole);
  } else if (const auto* fraction = std::get_if<double>(value)) {
    lua_pushnumber(L, *fraction);
  } else {
    lua_pushboolean(L, std::get<bool>(*value) ? 1 : 0);
  }
  return 1;
}

int StoreSet(lua_State* L) {
  const std::string key = ArgText(L, 2);
  LuaScript& script = LuaScript::Of(L);
  StoreValue value;
  switch (lua_type(L, 3)) {
    case LUA_TNIL:
      return Guarded(L, [&] {
        script.Store().Erase(key);
        script.StoreChanged();
        return 0;
      });
    case LUA_TSTRING:
      value = ArgText(L, 3);
      break;
    case LUA_TNUMBER:
      if (lua_isinteger(L, 3) != 0) {
        value = static_cast<std::int64_t>(lua_tointeger(L, 3));
      } else {
        value = static_cast<double>(lua_tonumber(L, 3));
      }
      break;
    case LUA_TBOOLEAN:
      value = lua_toboolean(L, 3) != 0;
      break;
    default:
      return luaL_error(L, "bot.store: a value must be a string, a number or a boolean");
  }
  return Guarded(L, [&] {
    try {
      script.Store().Set(key, std::move(value));
    } catch (const Exception& error) {
      throw Exception("bot.store: " + error.Message());
    }
    script.StoreChanged();
    return 0;
  });
}

void NewRegistryTable(lua_State* L, const char* key, int array_size) {
  lua_createtable(L, array_size, 0);
  lua_rawsetp(L, LUA_REGISTRYINDEX, key);
}

void OpenTimerType(lua_State* L) {
  luaL_newmetatable(L, kTimerType);
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, CancelTimer);
  lua_setfield(L, -2, "cancel");
  lua_setfield(L, -2, "__index");
  // Hidden from getmetatable, so no script can add a finalizer to it.
  lua_pushboolean(L, 0);
  lua_setfield(L, -2, "__metatable");
  lua_pop(L, 1);
}

void PushStore(lua_State* L) {
  lua_newuserdatauv(L, 0, 0);
  lua_createtable(L, 0, 3);
  lua_pushcfunction(L, StoreGet);
  lua_setfield(L, -2, "__index");
  lua_pushcfunction(L, StoreSet);
  lua_setfield(L, -2, "__newindex");
  lua_pushboolean(L, 0);
  lua_setfield(L, -2, "__metatable");
  lua_setmetatable(L, -2);
}

}  // namespace

void OpenBotTable(lua_State* L) {
  NewRegistryTable(L, &kCommandsKey, 0);
  NewRegistryTable(L, &kTimersKey, 0);
  NewRegistryTable(L, &kFetchesKey, 0);
  lua_createtable(L, static_cast<int>(kScriptEventKinds), 0);
  for (std::size_t kind = 1; kind <= kScriptEventKinds; ++kind) {
    lua_newtable(L);
    lua_rawseti(L, -2, static_cast<lua_Integer>(kind));
  }
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kEventsKey);
  OpenEventType(L);
  OpenTimerType(L);
  static const luaL_Reg kFunctions[] = {
      {"command", Command},  {"private", Private}, {"on", On},         {"say", Say},
      {"notice", Notice},    {"mode", Mode},       {"kick", Kick},     {"every", Every},
      {"after", After},      {"display", Display}, {"rights", Rights}, {"users_in", UsersIn},
      {"http_get", HttpGet}, {nullptr, nullptr}};
  luaL_newlib(L, kFunctions);
  PushStore(L);
  lua_setfield(L, -2, "store");
  lua_setglobal(L, "bot");
}

}  // namespace zelmo
