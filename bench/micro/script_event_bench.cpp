#include <benchmark/benchmark.h>

#include <string>

#include "scripts/fake_script_host.h"
#include "shell/scripts/lua/lua_engine.h"

// What telling a channel message to the scripts costs the bot per line: with
// no script listening (it must cost nothing), with one function that only
// counts, and with one that keeps a sighting per nick as seen.lua does.

namespace zelmo {
namespace {

ScriptEvent ChannelMessage() {
  ScriptEvent event;
  event.kind = ScriptEventKind::Message;
  event.channel = "#room";
  event.nick = "alice";
  event.address = "alice!~alice@client.example.net";
  event.text = "hello there, how is it going?";
  return event;
}

void TellMessages(benchmark::State& state, const char* source) {
  testing::FakeScriptHost host;
  LuaEngine engine(host);
  engine.Reset(ScriptSettings{});
  if (!engine.LoadSource("bench.lua", source)) state.SkipWithError("the script did not load");
  const ScriptEvent event = ChannelMessage();
  for (auto _ : state) engine.Tell(event);
  state.SetItemsProcessed(state.iterations());
}

void BM_ScriptTellNobodyListens(benchmark::State& state) {
  TellMessages(state, "bot.on('join', function(ev) end)");
}
BENCHMARK(BM_ScriptTellNobodyListens);

void BM_ScriptTellCounter(benchmark::State& state) {
  TellMessages(state, "local n = 0 bot.on('message', function(ev) n = n + 1 end)");
}
BENCHMARK(BM_ScriptTellCounter);

void BM_ScriptTellSighting(benchmark::State& state) {
  TellMessages(
      state,
      "local seen = {}\n"
      "bot.on('message', function(ev)\n"
      "  seen[ev.nick:lower()] = string.format('%d %s saying: %s', os.time(), ev.channel,\n"
      "    ev.text)\n"
      "end)");
}
BENCHMARK(BM_ScriptTellSighting);

}  // namespace
}  // namespace zelmo
