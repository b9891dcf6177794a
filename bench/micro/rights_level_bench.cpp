#include <benchmark/benchmark.h>

#include <string>

#include "bench_users_file.h"
#include "irc/session/irc_client.h"
#include "irc/transport/tcp_connection.h"
#include "shell/base/display.h"
#include "shell/base/ini_file.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"
#include "users/bot_context.h"
#include "users/login_throttle.h"
#include "users/scriptfunc.h"

namespace zelmo {
namespace {

constexpr int kUsers = 1000;

// The little of a running bot that a rights lookup uses: the user file's
// path and its cache. Nothing is connected and nothing is sent.
class LookupBot : public BotContext {
 public:
  explicit LookupBot(bool cached) : cached_(cached) {
    dir_.Write("Users.ini", bench::UsersFileText(kUsers));
  }
  TIdIRC& Irc() override { return irc_; }
  TMessageDisplay& Display() override { return display_; }
  std::string UsersFilePath() const override { return dir_.File("Users.ini"); }
  IniFileCache* UserFileCache() override { return cached_ ? &cache_ : nullptr; }
  std::optional<std::string> CurrentSecurityPassword() const override { return std::nullopt; }
  void LoadConfig() override {}
  LoginThrottle& FailedLogins() override { return failed_logins_; }
  bool StoresHashedPasswords() const override { return false; }
  TIdTCPClient& PageClient() override { return page_; }
  DictionarySource Dictionary() const override { return {}; }
  TvListingSource TvListing() const override { return {}; }
  void Pause(int) override {}

 private:
  bool cached_;
  testing::TempDir dir_;
  testing::RecordingPort port_;
  TMessageDisplay display_{port_};
  TIdIRC irc_;
  TIdTCPClient page_;
  IniFileCache cache_;
  LoginThrottle failed_logins_;
};

void LookUp(benchmark::State& state, bool cached, const std::string& address,
            const std::string& scope) {
  LookupBot bot(cached);
  for (auto _ : state) benchmark::DoNotOptimize(RightsLevel(bot, scope, address));
  state.SetItemsProcessed(state.iterations());
}

void BM_RightsLevelChannelCached(benchmark::State& state) {
  LookUp(state, true, bench::UserAddress(kUsers / 2), "#room");
}
BENCHMARK(BM_RightsLevelChannelCached)->Unit(benchmark::kMicrosecond);

void BM_RightsLevelGeneralCached(benchmark::State& state) {
  LookUp(state, true, bench::UserAddress(kUsers - 1), "General");
}
BENCHMARK(BM_RightsLevelGeneralCached)->Unit(benchmark::kMicrosecond);

// A stranger: the address map has no entry, the common case on a join.
void BM_RightsLevelUnknownCached(benchmark::State& state) {
  LookUp(state, true, "nobody@nowhere.example", "#room");
}
BENCHMARK(BM_RightsLevelUnknownCached)->Unit(benchmark::kMicrosecond);

void BM_RightsLevelChannelUncached(benchmark::State& state) {
  LookUp(state, false, bench::UserAddress(kUsers / 2), "#room");
}
BENCHMARK(BM_RightsLevelChannelUncached)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelmo
