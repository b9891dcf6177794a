#include <benchmark/benchmark.h>

#include <string>

#include "irc/session/irc_channel.h"
#include "irc/session/irc_users.h"

namespace zelmo {
namespace {

constexpr int kMembers = 10000;

// A channel of 10,000 members, filled the way NAMES replies fill it.
struct BigChannel {
  BigChannel() {
    std::string list;
    for (int n = 0; n < kMembers; ++n) {
      list += (n % 10 == 0 ? "@member" : "member") + std::to_string(n) + " ";
      if (list.size() > 400 || n + 1 == kMembers) {
        channel.AddNames(list, users);
        list.clear();
      }
    }
  }
  TIdIRCUsers users;
  TIdIRCChannel channel{"#room", nullptr};
};

void BM_ChannelFindUserLast(benchmark::State& state) {
  BigChannel big;
  const std::string nick = "MEMBER" + std::to_string(kMembers - 1);
  for (auto _ : state) benchmark::DoNotOptimize(big.channel.FindUser(nick));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChannelFindUserLast);

void BM_ChannelHasUserAbsent(benchmark::State& state) {
  BigChannel big;
  const std::string nick = "stranger42";
  for (auto _ : state) benchmark::DoNotOptimize(big.channel.HasUser(nick));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChannelHasUserAbsent);

// A member joins and parts again: the index is kept in step both ways.
void BM_ChannelJoinPart(benchmark::State& state) {
  BigChannel big;
  auto joiner = big.users.AddRef("newcomer", "new@host.example");
  for (auto _ : state) {
    big.channel.MemberJoin(joiner.get());
    big.channel.MemberPart(joiner.get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChannelJoinPart);

// The member at the front leaves and comes back at the end, every time
// another one: every later position moves.
void BM_ChannelFrontMemberPartsAndRejoins(benchmark::State& state) {
  BigChannel big;
  for (auto _ : state) {
    TIdIRCUser* front = big.users.Find(big.channel.Names().front().Nick);
    big.channel.MemberPart(front);
    big.channel.MemberJoin(front);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChannelFrontMemberPartsAndRejoins)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelmo
