#include "fault_fixture.h"

#include <thread>

#include "support/process_probe.h"

namespace zelmo::testing {

namespace {

constexpr std::chrono::seconds kStartWait{10};
// An idle bot sleeps in poll(); one that spins takes a whole CPU. The bound
// leaves room for a loaded test machine.
constexpr double kIdleCpuShare = 0.25;

}  // namespace

void FaultTest::StartBot(const std::string& extra_config,
                         const std::vector<std::string>& environment, bool keep_output) {
  dir.Write("Config.ini", LoopbackConfig(server.Port(), extra_config));
  bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path(), environment, keep_output));
  if (keep_output) {
    ASSERT_TRUE(bot->AwaitDisplay("Type \"Connect\"", kStartWait)) << bot->ErrorOutput();
  }
}

void FaultTest::ConnectBot() {
  bot->Command("connect");
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link) << "the bot did not connect";
  auto registered = Register();
  ASSERT_TRUE(registered) << "the bot did not register";
  nick = *registered;
  // Handled in order after the welcome: the bot is registered once it
  // answers.
  ASSERT_TRUE(Sync());
}

void FaultTest::JoinBot(const std::string& channel) {
  ASSERT_TRUE(link->SendLine(":" + nick + "!bot@fault.test JOIN " + channel));
  auto answers = Answers();
  ASSERT_FALSE(answers.empty());
  EXPECT_EQ(answers.front(), "MODE " + channel + " ");
}

bool FaultTest::From(const std::string& sender, const std::string& address,
                     const std::string& rest) {
  return link->SendLine(":" + sender + "!" + address + " " + rest);
}

bool FaultTest::Tell(const std::string& sender, const std::string& address,
                     const std::string& text) {
  return From(sender, address, "PRIVMSG " + nick + " :" + text);
}

std::vector<std::string> FaultTest::Answers() {
  auto answers = Sync();
  EXPECT_TRUE(answers) << "the bot did not answer PING";
  return answers.value_or(std::vector<std::string>{});
}

void FaultTest::ExpectIdle() {
  ASSERT_TRUE(bot->Running());
  auto share = CpuShareOver(bot->Pid(), std::chrono::milliseconds(1500));
  ASSERT_TRUE(share) << "the bot is gone";
  EXPECT_LT(*share, kIdleCpuShare) << "the bot keeps a CPU busy while idle";
}

std::string FaultTest::Token() {
  return "sync-" + std::to_string(++tokens_);
}

bool StallTheBotsWrites(LoopbackPeer& link) {
  using namespace std::chrono_literals;
  // Beyond the largest send buffer the kernel gives a socket (4 MiB).
  constexpr std::size_t kEnough = 8 * 1024 * 1024;
  const std::string ping = "PING :" + std::string(400, 'p') + "\r\n";
  std::string batch;
  for (int i = 0; i < 100; ++i) batch += ping;
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  auto quiet_since = std::chrono::steady_clock::now();
  std::size_t total = 0;
  while (total < kEnough && std::chrono::steady_clock::now() < deadline) {
    long sent = link.TrySend(std::string_view(batch).substr(total % batch.size()));
    if (sent < 0) return false;
    if (sent > 0) {
      total += static_cast<std::size_t>(sent);
      quiet_since = std::chrono::steady_clock::now();
      continue;
    }
    if (std::chrono::steady_clock::now() - quiet_since > 1s) return true;
    std::this_thread::sleep_for(20ms);
  }
  return total >= kEnough;
}

std::vector<std::string> SlowLink(const std::vector<std::string>& settings) {
  std::vector<std::string> environment = settings;
  environment.push_back(std::string("LD_PRELOAD=") + ZELMO_SLOW_LINK_LIBRARY);
  return environment;
}

std::vector<std::string> PrivmsgsTo(const std::vector<std::string>& lines,
                                    const std::string& target) {
  std::vector<std::string> texts;
  const std::string head = "PRIVMSG " + target + " :";
  for (const auto& line : lines) {
    if (line.rfind(head, 0) == 0) texts.push_back(line.substr(head.size()));
  }
  return texts;
}

}  // namespace zelmo::testing
