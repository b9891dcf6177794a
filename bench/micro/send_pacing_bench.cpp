#include <benchmark/benchmark.h>

#include <string>

#include "irc/protocol/send_pacing.h"

namespace zelmo {
namespace {

// The check every line makes when nothing is paced: it goes out at once.
void BM_SendPacingUnpacedCheck(benchmark::State& state) {
  SendPacing pacing(5, SendPacing::Duration(0));
  const auto now = SendPacing::Clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(pacing.SendsAtOnce(now));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendPacingUnpacedCheck);

// One line through a paced queue: queued, then taken when its token is due.
void BM_SendPacingQueueAndTake(benchmark::State& state) {
  SendPacing pacing(5, SendPacing::Duration(1000));
  const std::string line = "PRIVMSG #room :a reply of an ordinary length, sent at the pace";
  auto now = SendPacing::Clock::now();
  for (auto _ : state) {
    pacing.Push(line, SendKind::Paced);
    now += SendPacing::Duration(1000);
    benchmark::DoNotOptimize(pacing.Take(now));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendPacingQueueAndTake);

}  // namespace
}  // namespace zelmo
