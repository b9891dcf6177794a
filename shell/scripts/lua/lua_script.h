#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/base/errors.h"
#include "shell/scripts/lua/error_lines.h"
#include "shell/scripts/lua/lua_api.h"
#include "shell/scripts/lua/lua_patterns.h"
#include "shell/scripts/lua/script_store.h"
#include "shell/scripts/lua/script_timers.h"
#include "shell/scripts/script_engine.h"

namespace zelmo {

// What the scripts of one load share: the host, the settings, the commands
// registered so far (no two scripts may take one word) and how many event
// handlers listen to each kind.
struct ScriptShared {
  ScriptHost& host;
  ScriptSettings settings;
  std::vector<ScriptCommandInfo> commands;
  std::array<int, kScriptEventKinds> listeners{};
};

// One script: its own Lua state with the sandbox's globals, a memory cap
// through the allocator, a step budget per call from the bot, its timers,
// its store and its pending web fetches.
class LuaScript final : public StepMeter {
 public:
  static constexpr int kStepsPerHook = 1000;
  static constexpr std::size_t kMaxPendingFetches = 16;
  static constexpr int kStoreWriteDelayMs = 2000;

  LuaScript(ScriptShared& shared, std::string name);
  ~LuaScript();
  LuaScript(const LuaScript&) = delete;
  LuaScript& operator=(const LuaScript&) = delete;

  // Runs the script's text; false, after its error line, when it fails.
  bool Load(const std::string& source);
  void RunCommand(const ScriptCommandInfo& command, const ScriptCommandCall& call,
                  const std::vector<std::string>& parts);
  void Tell(const ScriptEvent& event);
  bool Listens(ScriptEventKind kind) const { return handlers_[static_cast<int>(kind)] > 0; }

  const std::string& Name() const { return name_; }
  ScriptShared& Shared() { return shared_; }
  ScriptHost& Host() { return shared_.host; }
  ScriptStore& Store() { return store_; }
  ScriptTimers& Timers() { return timers_; }
  bool Loading() const { return loading_; }
  void AddHandler(ScriptEventKind kind);
  // bot.store changed: written a little later, so that a burst of changes
  // is one write.
  void StoreChanged();
  // Asks the host for the page; the callback is stored under a number in
  // the state and runs only while this state lives.
  void Fetch(lua_State* L, const std::string& url, int callback_index);
  // The script whose state this is (or one of its coroutines).
  static LuaScript& Of(lua_State* L);

  // A call from the bot into the script: a protected call with a fresh step
  // budget, whose failure is one error line. Nested calls share the budget
  // of the outermost. False when the call failed.
  bool Enter(void (*body)(lua_State* L, void* data), void* data);
  void ShowError(const std::string& line);
  // Steps spent inside a library function (a pattern match).
  void Charge(lua_State* L, long steps) override;

 private:
  static void* Allocate(void* self, void* block, std::size_t old_size, std::size_t new_size);
  static void CountSteps(lua_State* L, lua_Debug* debug);
  // Ends the call: from now on every step raises, so a pcall in the script
  // cannot go on.
  [[noreturn]] void StopCall(lua_State* L);
  static int Protected(lua_State* L);
  void ReportFailure(lua_State* L, int status);
  void Tick(int timer);
  void FetchDone(int number, int status, std::string body);
  void WriteStore();

  ScriptShared& shared_;
  std::string name_;
  std::size_t used_ = 0;
  std::int64_t steps_left_ = 0;
  bool out_of_steps_ = false;
  int depth_ = 0;
  bool loading_ = false;
  std::array<int, kScriptEventKinds> handlers_{};
  ErrorLineLimiter errors_;
  ScriptStore store_;
  std::unique_ptr<UiTimer> store_timer_;
  ScriptTimers timers_;
  int next_fetch_ = 0;
  std::size_t pending_fetches_ = 0;
  // Stays true while the script lives; a fetch's callback checks it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  lua_State* state_ = nullptr;  // last: closed first
};

}  // namespace zelmo
