#include <benchmark/benchmark.h>

#include <string>

#include "users/password_hash.h"

namespace zelmo {
namespace {

// The check of one login against a hashed password: slow on purpose (every
// guess costs as much), but it blocks the bot while it runs, so it has to
// stay well under 100 ms.
void BM_HashedPasswordCheck(benchmark::State& state) {
  const std::string stored = HashPassword("Secret");
  for (auto _ : state) benchmark::DoNotOptimize(PasswordMatches(stored, "sECRET"));
}
BENCHMARK(BM_HashedPasswordCheck)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelmo
