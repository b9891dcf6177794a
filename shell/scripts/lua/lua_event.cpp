#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "shell/scripts/lua/lua_api.h"

// The `ev` an event handler is given. A channel line is told to every
// listening script, and most handlers read one field or none, so `ev` is not
// a table built with every field as a Lua string (each one hashed and
// interned, about 0.1 µs apiece): it is one block holding the event's bytes,
// and a field becomes a Lua string only when the script reads it. The block
// is the script's own copy, so a handler may keep `ev` past its call (in a
// timer, say) and read it later. Reading, writing, and `pairs` behave as on a
// table; fields a script writes live in the block's user value.

namespace zelmo {

namespace {

enum Field : std::size_t { kChannel, kNick, kAddress, kAccount, kText, kTarget, kModes, kFields };

// Each field's name and where a ScriptEvent holds it, in the order of Field.
struct FieldSource {
  std::string_view name;
  std::string ScriptEvent::*member;
};
constexpr std::array<FieldSource, kFields> kFieldSources = {{
    {"channel", &ScriptEvent::channel},
    {"nick", &ScriptEvent::nick},
    {"address", &ScriptEvent::address},
    {"account", &ScriptEvent::account},
    {"text", &ScriptEvent::text},
    {"target", &ScriptEvent::target},
    {"modes", &ScriptEvent::modes},
}};

constexpr unsigned Bit(Field field) {
  return 1u << field;
}
constexpr unsigned kWho = Bit(kNick) | Bit(kAddress) | Bit(kAccount);

// The fields each kind of event has, in the order of ScriptEventKind.
constexpr std::array<unsigned, kScriptEventKinds> kEventFields = {
    Bit(kChannel) | kWho,                              // join
    Bit(kChannel) | kWho | Bit(kText),                 // part
    kWho | Bit(kText),                                 // quit
    Bit(kChannel) | kWho | Bit(kText) | Bit(kTarget),  // kick
    kWho | Bit(kTarget),                               // nick
    Bit(kChannel) | kWho | Bit(kText) | Bit(kTarget),  // message
    Bit(kChannel) | kWho | Bit(kText) | Bit(kTarget),  // action
    Bit(kChannel) | kWho | Bit(kModes),                // mode
    0,                                                 // connected
    0,                                                 // disconnected
};

constexpr std::string_view kKindName = "kind";
// The nick event's new nick is also given under this name.
constexpr std::string_view kNewNick = "new_nick";

// The block's head; the fields' bytes follow it, one after the other.
struct EventBlock {
  ScriptEventKind kind;
  std::array<std::uint32_t, kFields> ends;  // where each field's bytes end

  const char* Bytes() const { return reinterpret_cast<const char*>(this + 1); }
  std::string_view Value(Field field) const {
    const std::uint32_t begin = field == 0 ? 0 : ends[field - 1];
    return {Bytes() + begin, ends[field] - begin};
  }
  bool Has(Field field) const {
    return (kEventFields[static_cast<std::size_t>(kind)] & Bit(field)) != 0;
  }
};

EventBlock& BlockAt(lua_State* L, int index) {
  return *static_cast<EventBlock*>(lua_touserdata(L, index));
}

void PushValue(lua_State* L, std::string_view value) {
  lua_pushlstring(L, value.data(), value.size());
}

// What a name reads of the event: one of its fields, its kind, or nothing.
constexpr std::size_t kKind = kFields;
constexpr std::size_t kNothing = kFields + 1;

std::size_t FieldNamed(const EventBlock& block, std::string_view name) {
  if (name == kKindName) return kKind;
  if (name == kNewNick) return block.kind == ScriptEventKind::Nick ? kTarget : kNothing;
  const auto found = std::find_if(kFieldSources.begin(), kFieldSources.end(),
                                  [&](const FieldSource& source) { return source.name == name; });
  if (found == kFieldSources.end()) return kNothing;
  const auto field = static_cast<Field>(found - kFieldSources.begin());
  return block.Has(field) ? field : kNothing;
}

// Pushes the event's own field of that name and says whether it has one.
bool PushOwnField(lua_State* L, const EventBlock& block, std::string_view name) {
  const std::size_t field = FieldNamed(block, name);
  if (field == kNothing) return false;
  if (field == kKind) {
    lua_pushstring(L, EventName(block.kind));
  } else {
    PushValue(L, block.Value(static_cast<Field>(field)));
  }
  return true;
}

// What a script's `ev.nick = nil` leaves among the written fields, so that
// the event's own field reads as nil from then on.
const char kCleared = 0;

bool IsCleared(lua_State* L, int index) {
  return lua_touserdata(L, index) == &kCleared;
}

std::string_view NameAt(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TSTRING) return {};
  std::size_t length = 0;
  const char* name = lua_tolstring(L, index, &length);
  return {name, length};
}

// The table of the fields the script wrote, pushed; nothing when it wrote
// none.
bool PushWritten(lua_State* L, int index) {
  if (lua_getiuservalue(L, index, 1) == LUA_TTABLE) return true;
  lua_pop(L, 1);
  return false;
}

int Index(lua_State* L) {
  if (PushWritten(L, 1)) {
    lua_pushvalue(L, 2);
    if (lua_rawget(L, -2) != LUA_TNIL) {
      if (IsCleared(L, -1)) lua_pushnil(L);
      return 1;
    }
    lua_pop(L, 2);
  }
  if (!PushOwnField(L, BlockAt(L, 1), NameAt(L, 2))) lua_pushnil(L);
  return 1;
}

int NewIndex(lua_State* L) {
  if (!PushWritten(L, 1)) {
    lua_createtable(L, 0, 1);
    lua_pushvalue(L, -1);
    lua_setiuservalue(L, 1, 1);
  }
  lua_pushvalue(L, 2);
  if (lua_isnil(L, 3) && FieldNamed(BlockAt(L, 1), NameAt(L, 2)) != kNothing) {
    lua_pushlightuserdata(L, const_cast<char*>(&kCleared));
  } else {
    lua_pushvalue(L, 3);
  }
  lua_rawset(L, -3);
  return 0;
}

int Next(lua_State* L) {
  lua_settop(L, 2);
  if (lua_next(L, 1) != 0) return 2;
  lua_pushnil(L);
  return 1;
}

// pairs(ev): over a table of the event's fields as the script sees them.
int Pairs(lua_State* L) {
  const EventBlock& block = BlockAt(L, 1);
  lua_pushcfunction(L, Next);
  lua_createtable(L, 0, kFields + 2);
  auto add = [&](std::string_view name) {
    PushValue(L, name);
    if (PushOwnField(L, block, name)) {
      lua_rawset(L, -3);
    } else {
      lua_pop(L, 1);
    }
  };
  for (const FieldSource& source : kFieldSources) add(source.name);
  add(kKindName);
  add(kNewNick);
  if (PushWritten(L, 1)) {
    lua_pushnil(L);
    while (lua_next(L, -2) != 0) {
      if (IsCleared(L, -1)) {
        lua_pop(L, 1);
        lua_pushnil(L);
      }
      lua_pushvalue(L, -2);
      lua_insert(L, -2);
      lua_rawset(L, -5);
    }
    lua_pop(L, 1);
  }
  lua_pushnil(L);
  return 3;
}

}  // namespace

void OpenEventType(lua_State* L) {
  static const luaL_Reg kMethods[] = {
      {"__index", Index}, {"__newindex", NewIndex}, {"__pairs", Pairs}, {nullptr, nullptr}};
  lua_createtable(L, 0, 5);
  luaL_setfuncs(L, kMethods, 0);
  lua_pushliteral(L, "event");
  lua_setfield(L, -2, "__name");
  // Hidden from getmetatable: a __gc a script added to it would make every
  // later event a finalizer, which Lua runs without the step hook.
  lua_pushboolean(L, 0);
  lua_setfield(L, -2, "__metatable");
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kEventTypeKey);
}

void PushEvent(lua_State* L, const ScriptEvent& event) {
  const unsigned fields = kEventFields[static_cast<std::size_t>(event.kind)];
  EventBlock head{event.kind, {}};
  std::uint32_t size = 0;
  for (std::size_t field = 0; field < kFields; ++field) {
    if (fields & Bit(static_cast<Field>(field))) {
      size += static_cast<std::uint32_t>((event.*kFieldSources[field].member).size());
    }
    head.ends[field] = size;
  }
  void* memory = lua_newuserdatauv(L, sizeof(EventBlock) + size, 1);
  char* bytes = reinterpret_cast<char*>(new (memory) EventBlock(head) + 1);
  for (std::size_t field = 0; field < kFields; ++field) {
    if (fields & Bit(static_cast<Field>(field))) {
      const std::string& value = event.*kFieldSources[field].member;
      std::memcpy(bytes, value.data(), value.size());
      bytes += value.size();
    }
  }
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kEventTypeKey);
  lua_setmetatable(L, -2);
}

}  // namespace zelmo
