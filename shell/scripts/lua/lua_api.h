#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lua.hpp"
#include "shell/scripts/script_engine.h"

// The pieces the script's state is built from: the sandbox's globals, the
// `bot` table, and the tables a command or an event hands a script.

namespace zelmo {

// Registry keys (their addresses) of the tables that hold a script's
// functions: commands by name, event handlers by kind, timers and pending
// fetches by number.
inline const char kCommandsKey = 'c';
inline const char kEventsKey = 'e';
inline const char kTimersKey = 't';
inline const char kFetchesKey = 'f';
inline const char kRequiredKey = 'r';
// The metatable of the events handed to handlers.
inline const char kEventTypeKey = 'v';

// Only the safe libraries, and the base library without its file access.
// require() reads "<folder>/<a/b>.lua" for "a.b", text only.
void OpenSandbox(lua_State* L, const std::string& folder);
// The global `bot` and the registry tables above.
void OpenBotTable(lua_State* L);

const char* EventName(ScriptEventKind kind);
std::optional<ScriptEventKind> EventNamed(std::string_view name);

// An event for a handler: read like a table, its fields made into Lua
// strings only when read.
void OpenEventType(lua_State* L);
void PushEvent(lua_State* L, const ScriptEvent& event);
void PushCommandContext(lua_State* L, const ScriptCommandCall& call);
// A channel command's words after the command word (empty ones left out),
// with .text the rest of the line as typed.
void PushChannelArgs(lua_State* L, const std::vector<std::string>& parts);
void PushList(lua_State* L, const std::vector<std::string>& items);

// Raises a Lua error with the text (no position: the message handler adds
// the script's file and line).
[[noreturn]] void RaiseError(lua_State* L, const std::string& message);

// Runs the body of a function called from Lua; an Exception of the bot (the
// host's refusal, a bound) becomes a Lua error with its text. Lua's own
// errors pass through, as they are not std::exception.
template <typename Body>
int Guarded(lua_State* L, Body body) {
  std::string failure;
  try {
    return body();
  } catch (const std::exception& error) {
    failure = error.what();
  }
  RaiseError(L, failure);
}

}  // namespace zelmo
