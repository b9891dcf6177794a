#include "shell/scripts/lua/lua_script.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace zelmo {

namespace {

// The error object the step hook raises, told apart from any text.
const char kStepsSpent = 's';

// "name.lua:12: text" or "[string \"...\"]:3: text": the text already says
// where it comes from.
bool HasPosition(std::string_view text) {
  const std::size_t end = text.find(": ");
  if (end == std::string_view::npos) return false;
  const std::size_t colon = text.rfind(':', end - 1);
  if (colon == std::string_view::npos || colon == 0 || colon + 1 >= end) return false;
  return std::all_of(text.begin() + colon + 1, text.begin() + end,
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The message handler of every call into a script: adds the file and line
// of the innermost Lua function to a text that lacks them (an error raised
// by a library or bot function).
int AddPosition(lua_State* L) {
  if (lua_touserdata(L, 1) == &kStepsSpent) return 1;
  const int type = lua_type(L, 1);
  const char* text = type == LUA_TSTRING || type == LUA_TNUMBER
                         ? lua_tostring(L, 1)
                         : lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
  if (HasPosition(text)) return 1;
  lua_Debug where;
  for (int level = 1; lua_getstack(L, level, &where) != 0; ++level) {
    lua_getinfo(L, "Sl", &where);
    if (where.currentline > 0) {
      lua_pushfstring(L, "%s:%d: %s", where.short_src, where.currentline, text);
      return 1;
    }
  }
  return 1;
}

struct ProtectedCall {
  void (*body)(lua_State* L, void* data);
  void* data;
};

}  // namespace

LuaScript::LuaScript(ScriptShared& shared, std::string name)
    : shared_(shared),
      name_(std::move(name)),
      store_(shared.host.StorePath(name_)),
      timers_(shared.host, [this](int number) { Tick(number); }) {}

LuaScript::~LuaScript() {
  if (state_ != nullptr) {
    // Finalizers run at close: each ends at its first step.
    out_of_steps_ = true;
    lua_sethook(state_, CountSteps, LUA_MASKCOUNT, 1);
    lua_close(state_);
  }
  WriteStore();
  for (std::size_t kind = 0; kind < kScriptEventKinds; ++kind) {
    shared_.listeners[kind] -= handlers_[kind];
  }
  std::erase_if(shared_.commands,
                [this](const ScriptCommandInfo& command) { return command.script == name_; });
}

LuaScript& LuaScript::Of(lua_State* L) {
  return **static_cast<LuaScript**>(lua_getextraspace(L));
}

void* LuaScript::Allocate(void* self, void* block, std::size_t old_size, std::size_t new_size) {
  LuaScript& script = *static_cast<LuaScript*>(self);
  if (block == nullptr) old_size = 0;  // then it tells the kind of object
  if (new_size == 0) {
    std::free(block);
    script.used_ -= old_size;
    return nullptr;
  }
  const std::size_t cap = script.shared_.settings.max_memory;
  if (new_size > old_size && new_size - old_size > cap - std::min(cap, script.used_)) {
    return nullptr;  // Lua collects and tries again, then raises its memory error
  }
  void* moved = std::realloc(block, new_size);
  if (moved != nullptr) script.used_ = script.used_ - old_size + new_size;
  return moved;
}

void LuaScript::CountSteps(lua_State* L, lua_Debug*) {
  LuaScript& script = Of(L);
  if (!script.out_of_steps_) {
    script.steps_left_ -= kStepsPerHook;
    if (script.steps_left_ >= 0) {
      // A coroutine that was stopped in an earlier call counts normally again.
      lua_sethook(L, CountSteps, LUA_MASKCOUNT, kStepsPerHook);
      return;
    }
  }
  script.StopCall(L);
}

void LuaScript::Charge(lua_State* L, long steps) {
  steps_left_ -= steps;
  if (steps_left_ < 0) StopCall(L);
}

void LuaScript::StopCall(lua_State* L) {
  out_of_steps_ = true;
  lua_sethook(L, CountSteps, LUA_MASKCOUNT, 1);
  lua_pushlightuserdata(L, const_cast<char*>(&kStepsSpent));
  lua_error(L);
  __builtin_unreachable();
}

int LuaScript::Protected(lua_State* L) {
  auto& call = *static_cast<ProtectedCall*>(lua_touserdata(L, 1));
  lua_settop(L, 0);
  return Guarded(L, [&] {
    call.body(L, call.data);
    return 0;
  });
}

bool LuaScript::Enter(void (*body)(lua_State* L, void* data), void* data) {
  // A script is never entered again while it runs (a host that told an
  // event from inside a bot function): that call is dropped.
  if (state_ == nullptr || depth_ > 0) return false;
  steps_left_ = shared_.settings.max_steps;
  out_of_steps_ = false;
  lua_sethook(state_, CountSteps, LUA_MASKCOUNT, kStepsPerHook);
  ProtectedCall call{body, data};
  const int top = lua_gettop(state_);
  lua_pushcfunction(state_, AddPosition);
  lua_pushcfunction(state_, Protected);
  lua_pushlightuserdata(state_, &call);
  ++depth_;
  const int status = lua_pcall(state_, 1, 0, top + 1);
  --depth_;
  if (status != LUA_OK) ReportFailure(state_, status);
  lua_settop(state_, top);
  return status == LUA_OK;
}

void LuaScript::ReportFailure(lua_State* L, int status) {
  if (out_of_steps_) {
    ShowError(StepsLine(name_, shared_.settings.max_steps));
  } else if (status == LUA_ERRMEM) {
    ShowError(MemoryLine(name_, shared_.settings.max_memory));
  } else if (lua_type(L, -1) == LUA_TSTRING) {
    ShowError(ScriptLine(name_, lua_tostring(L, -1)));
  } else {
    ShowError(ScriptLine(name_, "error in error handling"));
  }
}

void LuaScript::ShowError(const std::string& line) {
  switch (errors_.Take(ErrorLineLimiter::Clock::now())) {
    case ErrorLineLimiter::Verdict::Show:
      Host().Display(line, Errorous);
      break;
    case ErrorLineLimiter::Verdict::ShowLeftOut:
      Host().Display(LeftOutLine(name_), Errorous);
      break;
    case ErrorLineLimiter::Verdict::Drop:
      break;
  }
}

bool LuaScript::Load(const std::string& source) {
  state_ = lua_newstate(Allocate, this);
  if (state_ == nullptr) {
    ShowError(MemoryLine(name_, shared_.settings.max_memory));
    return false;
  }
  *static_cast<LuaScript**>(lua_getextraspace(state_)) = this;
  store_.Read();
  struct Chunk {
    const std::string* source;
    LuaScript* script;
  } chunk{&source, this};
  loading_ = true;
  const bool loaded = Enter(
      [](lua_State* L, void* data) {
        auto& chunk = *static_cast<Chunk*>(data);
        OpenSandbox(L, chunk.script->shared_.settings.folder);
        OpenBotTable(L);
        const std::string name = "@" + chunk.script->name_;
        if (luaL_loadbufferx(L, chunk.source->data(), chunk.source->size(), name.c_str(), "t") !=
            LUA_OK) {
          lua_error(L);
        }
        lua_call(L, 0, 0);
      },
      &chunk);
  loading_ = false;
  return loaded;
}

void LuaScript::AddHandler(ScriptEventKind kind) {
  ++handlers_[static_cast<int>(kind)];
  ++shared_.listeners[static_cast<int>(kind)];
}

void LuaScript::RunCommand(const ScriptCommandInfo& command, const ScriptCommandCall& call,
                           const std::vector<std::string>& parts) {
  struct Command {
    const ScriptCommandInfo* command;
    const ScriptCommandCall* call;
    const std::vector<std::string>* parts;
  } data{&command, &call, &parts};
  Enter(
      [](lua_State* L, void* pointer) {
        auto& data = *static_cast<Command*>(pointer);
        lua_rawgetp(L, LUA_REGISTRYINDEX, &kCommandsKey);
        if (lua_getfield(L, -1, data.command->name.c_str()) != LUA_TFUNCTION) return;
        PushCommandContext(L, *data.call);
        if (data.command->kind == ScriptCommandKind::Channel) {
          PushChannelArgs(L, *data.parts);
        } else {
          PushList(L, *data.parts);
        }
        lua_call(L, 2, 0);
      },
      &data);
}

void LuaScript::Tell(const ScriptEvent& event) {
  const int kind = static_cast<int>(event.kind);
  struct Handler {
    const ScriptEvent* event;
    int index;
  } handler{&event, 0};
  for (int index = 1; index <= handlers_[kind]; ++index) {
    handler.index = index;
    Enter(
        [](lua_State* L, void* pointer) {
          auto& handler = *static_cast<Handler*>(pointer);
          lua_rawgetp(L, LUA_REGISTRYINDEX, &kEventsKey);
          lua_rawgeti(L, -1, static_cast<int>(handler.event->kind) + 1);
          lua_rawgeti(L, -1, handler.index);
          PushEvent(L, *handler.event);
          lua_call(L, 1, 0);
        },
        &handler);
  }
}

void LuaScript::Tick(int timer) {
  const ScriptTimers::Tick tick = timers_.Ticked(timer);
  if (tick == ScriptTimers::Tick::Stopped) return;
  struct Timer {
    int number;
    bool last;
  } data{timer, tick == ScriptTimers::Tick::Last};
  Enter(
      [](lua_State* L, void* pointer) {
        auto& data = *static_cast<Timer*>(pointer);
        lua_rawgetp(L, LUA_REGISTRYINDEX, &kTimersKey);
        lua_rawgeti(L, -1, data.number);
        if (data.last) {
          lua_pushnil(L);
          lua_rawseti(L, -3, data.number);
        }
        lua_call(L, 0, 0);
      },
      &data);
}

void LuaScript::Fetch(lua_State* L, const std::string& url, int callback_index) {
  if (pending_fetches_ >= kMaxPendingFetches) {
    RaiseError(L, "bot.http_get: a script may wait for at most " +
                      std::to_string(kMaxPendingFetches) + " pages at once");
  }
  const int number = ++next_fetch_;
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kFetchesKey);
  lua_pushvalue(L, callback_index);
  lua_rawseti(L, -2, number);
  std::weak_ptr<bool> alive = alive_;
  try {
    Host().HttpGet(name_, url, [this, alive, number](int status, std::string body) {
      if (!alive.expired()) FetchDone(number, status, std::move(body));
    });
  } catch (...) {
    lua_pushnil(L);
    lua_rawseti(L, -2, number);
    throw;
  }
  lua_pop(L, 1);
  ++pending_fetches_;
}

void LuaScript::FetchDone(int number, int status, std::string body) {
  --pending_fetches_;
  struct Page {
    int number;
    int status;
    const std::string* body;
  } page{number, status, &body};
  Enter(
      [](lua_State* L, void* pointer) {
        auto& page = *static_cast<Page*>(pointer);
        lua_rawgetp(L, LUA_REGISTRYINDEX, &kFetchesKey);
        lua_rawgeti(L, -1, page.number);
        lua_pushnil(L);
        lua_rawseti(L, -3, page.number);
        lua_pushinteger(L, page.status);
        lua_pushlstring(L, page.body->data(), page.body->size());
        lua_call(L, 2, 0);
      },
      &page);
}

void LuaScript::StoreChanged() {
  if (!store_timer_) {
    store_timer_ = Host().CreateTimer([this] { WriteStore(); });
    store_timer_->SetInterval(kStoreWriteDelayMs);
  }
  if (!store_timer_->Enabled()) store_timer_->SetEnabled(true);
}

void LuaScript::WriteStore() {
  if (store_timer_) store_timer_->SetEnabled(false);
  try {
    store_.Write();
  } catch (const Exception& error) {
    ShowError(ScriptLine(name_, "bot.store: " + error.Message()));
  }
}

}  // namespace zelmo
