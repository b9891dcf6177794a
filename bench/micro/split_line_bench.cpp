#include <benchmark/benchmark.h>

#include <string>

#include "irc/protocol/irc_line.h"

namespace zelmo {
namespace {

void BM_SplitLineChannelMessage(benchmark::State& state) {
  const std::string line =
      ":alice!~alice@client.example.net PRIVMSG #room :hello there, how is it going?";
  ParsedLine parsed;
  for (auto _ : state) {
    SplitLine(line, parsed);
    benchmark::DoNotOptimize(parsed.ParamTable[3].data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitLineChannelMessage);

void BM_SplitLineNamesReply(benchmark::State& state) {
  std::string names;
  for (int i = 0; i < 60; ++i)
    names += (i % 3 == 0 ? "@" : "") + std::string("member") + std::to_string(i) + " ";
  const std::string line = ":irc.example.net 353 ZelmoBot = #room :" + names;
  ParsedLine parsed;
  for (auto _ : state) {
    SplitLine(line, parsed);
    benchmark::DoNotOptimize(parsed.ParamTable[5].data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitLineNamesReply);

void BM_SplitLineManyParameters(benchmark::State& state) {
  std::string line = ":irc.example.net MODE #room +oooooooooo";
  for (int i = 0; i < 40; ++i) line += " nick" + std::to_string(i);
  ParsedLine parsed;
  for (auto _ : state) {
    SplitLine(line, parsed);
    benchmark::DoNotOptimize(parsed.ParamTable[29].data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitLineManyParameters);

}  // namespace
}  // namespace zelmo
