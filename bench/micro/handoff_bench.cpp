#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <string>

#include "irc/session/irc_client.h"
#include "irc/session/irc_events.h"
#include "shell/ui/terminal/event_loop.h"
#include "support/loopback_server.h"

namespace zelmo {
namespace {

using testing::LoopbackPeer;
using testing::LoopbackServer;

// Counts the messages and does nothing else, so the figure is the client's
// own: a listener that records each event would be measured along with it.
class CountingEvents : public IrcEvents {
 public:
  void OnMessage(TIdIRCUser*, TIdIRCChannel*, const std::string&) override { ++handled; }
  long handled = 0;
};

// Lines per second through the whole path: the socket, the reader thread,
// the hand-over to the user-interface thread (the terminal front end's event
// loop) and HandleLine with its event, one line at a time.
void BM_ReaderToUiHandOff(benchmark::State& state) {
  const int batch = static_cast<int>(state.range(0));
  EventLoop loop;
  LoopbackServer server;
  CountingEvents events;
  TIdIRC irc;
  irc.Host = LoopbackServer::Host();
  irc.Port = server.Port();
  // Unpaced and without keepalive, unlike a configured bot.
  irc.SendInterval = 0;
  irc.PingInterval = 0;
  irc.SetNick("ZelmoBot");
  irc.SetUiPoster([&loop](std::function<void()> task) { loop.Post(std::move(task)); });
  irc.SetEvents(events);
  irc.Connect();
  std::shared_ptr<LoopbackPeer> peer = server.Accept();
  peer->SendLine(":irc.example.net 001 ZelmoBot :Welcome");
  loop.RunUntil([&irc] { return irc.ConnectionState() == stConnected; });

  std::string block;
  for (int i = 0; i < batch; ++i) {
    block += ":user" + std::to_string(i % 1000) + "!u@host.example PRIVMSG #room :line " +
             std::to_string(i) + " of the chatter on the channel\r\n";
  }
  for (auto _ : state) {
    long target = events.handled + batch;
    peer->Send(block);
    loop.RunUntil([&events, target] { return events.handled >= target; });
  }
  state.SetItemsProcessed(state.iterations() * batch);
  irc.Stop();
  server.Stop();
}
BENCHMARK(BM_ReaderToUiHandOff)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zelmo
