#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "users/split_params.h"

namespace zelmo {
namespace {

void BM_SplitParamsPrivateCommand(benchmark::State& state) {
  const std::string text = "usermod;bob;#room;2";
  for (auto _ : state) {
    std::vector<std::string> parts = SplitParams(text, ";");
    benchmark::DoNotOptimize(parts.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitParamsPrivateCommand);

void BM_SplitParamsChannelCommand(benchmark::State& state) {
  const std::string text = "!kick bob stop flooding the channel with colours, please";
  for (auto _ : state) {
    std::vector<std::string> parts = SplitParams(text, " ");
    benchmark::DoNotOptimize(parts.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitParamsChannelCommand);

// A long line of a flood: every word a part.
void BM_SplitParamsLongText(benchmark::State& state) {
  std::string text = "!word";
  for (int i = 0; i < 80; ++i) text += " word" + std::to_string(i);
  for (auto _ : state) {
    std::vector<std::string> parts = SplitParams(text, " ");
    benchmark::DoNotOptimize(parts.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitParamsLongText);

}  // namespace
}  // namespace zelmo
