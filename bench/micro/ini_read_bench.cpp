#include <benchmark/benchmark.h>

#include <string>

#include "bench_users_file.h"
#include "shell/base/ini_file.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

constexpr int kUsers = 1000;

// One read of the address map and one of a rights key, as a rights lookup
// does, on a file of 1,000 users; the user is in the middle of the file.
void ReadLikeRightsLookup(benchmark::State& state, IniFileCache* cache) {
  testing::TempDir dir;
  dir.Write("Users.ini", bench::UsersFileText(kUsers));
  const std::string address = bench::UserAddress(kUsers / 2);
  for (auto _ : state) {
    TIniFile ini(dir.File("Users.ini"), cache);
    std::string name = ini.ReadString("Address", address, "-1");
    std::string level = ini.ReadString(name, "Rights_#room", "-1");
    benchmark::DoNotOptimize(level.data());
  }
  state.SetItemsProcessed(state.iterations() * 2);
}

void BM_IniReadUncached(benchmark::State& state) {
  ReadLikeRightsLookup(state, nullptr);
}
BENCHMARK(BM_IniReadUncached)->Unit(benchmark::kMicrosecond);

void BM_IniReadCached(benchmark::State& state) {
  IniFileCache cache;
  ReadLikeRightsLookup(state, &cache);
}
BENCHMARK(BM_IniReadCached)->Unit(benchmark::kMicrosecond);

// The user list reads every section name.
void BM_IniReadSectionsCached(benchmark::State& state) {
  testing::TempDir dir;
  dir.Write("Users.ini", bench::UsersFileText(kUsers));
  IniFileCache cache;
  for (auto _ : state) {
    TIniFile ini(dir.File("Users.ini"), &cache);
    auto sections = ini.ReadSections();
    benchmark::DoNotOptimize(sections.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IniReadSectionsCached)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelmo
