// Arbitrary Lua source run as a script under the sandbox with small step
// and memory caps, then driven as the bot would: each command it
// registered, each event it listens to, its timers and its web fetches.
// Whatever it does, the bot's side must hold: every error line is one
// bounded line naming the script, and the engine loads a good script after.

#include <cstddef>
#include <cstdint>
#include <string>

#include "scripts/fake_script_host.h"
#include "shell/scripts/lua/error_lines.h"
#include "shell/scripts/lua/lua_engine.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

void Drive(testing::FakeScriptHost& host, LuaEngine& engine) {
  for (const ScriptCommandInfo& command : engine.Commands()) {
    const ScriptCommandCall call{command.kind == ScriptCommandKind::Channel ? "#c" : "", "ann",
                                 "ann!a@h", "", 2};
    engine.RunCommand(command, call, {command.name, "a", "", "b"});
  }
  for (std::size_t kind = 0; kind < kScriptEventKinds; ++kind) {
    ScriptEvent event;
    event.kind = static_cast<ScriptEventKind>(kind);
    event.channel = "#c";
    event.nick = "bob";
    event.text = "hello https://a.test/";
    event.target = "x";
    if (engine.Listens(event.kind)) engine.Tell(event);
  }
  for (int round = 0; round < 3; ++round) host.FireTimers();
  // Each callback may start more fetches; a few rounds are enough.
  for (int round = 0; round < 3 && !host.fetches.empty(); ++round) {
    auto fetches = std::move(host.fetches);
    host.fetches.clear();
    for (auto& fetch : fetches) fetch.done(200, "<title>page</title>");
  }
}

}  // namespace

// A script that builds a longer string at every step churns through far
// more memory than its cap holds at once, and the address checker keeps
// freed blocks in a quarantine (256 MiB by default) and its size classes;
// with that, a run would pass the memory bound of the runs. A smaller
// quarantine, memory given back at once and a small step budget keep the
// churn down; a use after free is still caught.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=64:allocator_release_to_os_interval_ms=0";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  testing::FakeScriptHost host;
  {
    LuaEngine engine(host);
    ScriptSettings settings;
    settings.folder = "/nonexistent-zelmo-scripts";
    settings.max_steps = 20'000;
    settings.max_memory = std::size_t{1} << 20;
    settings.reserved_channel_commands = {"!kick"};
    engine.Reset(settings);
    engine.LoadSource("fuzz.lua", std::string(reinterpret_cast<const char*>(data), size));
    Drive(host, engine);
    host.calls.clear();
    FUZZ_CHECK(engine.LoadSource("ok.lua", "bot.say('#c', 'ok')"));
    FUZZ_CHECK(!host.calls.empty() && host.calls.back() == "say ok.lua #c ok");
  }
  for (const std::string& line : host.errors) {
    FUZZ_CHECK(line.rfind("Script fuzz.lua: ", 0) == 0 || line.rfind("Script ok.lua: ", 0) == 0);
    FUZZ_CHECK(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
    FUZZ_CHECK(line.size() <= kMaxErrorText + 64);
  }
  return 0;
}
