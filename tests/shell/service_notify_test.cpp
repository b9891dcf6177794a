#include "shell/base/service_notify.h"
#include "shell/service_health.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/fake_service_manager.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using namespace std::chrono_literals;

TEST(ServiceNotifier, TellsTheManagerAtAPathOrAnAbstractName) {
  testing::TempDir dir;
  const std::vector<std::string> names = {dir.File("notify"),
                                          "@zelmotest-notify-" + std::to_string(getpid())};
  for (const std::string& name : names) {
    testing::FakeServiceManager manager(name);
    ServiceNotifier notifier(name.c_str());
    ASSERT_TRUE(notifier.Active()) << name;
    EXPECT_TRUE(notifier.Tell("READY=1"));
    EXPECT_TRUE(notifier.Tell("STATUS=Connected\nRELOADING=1"));
    EXPECT_EQ(manager.Take(), "READY=1") << name;
    EXPECT_EQ(manager.Take(), "STATUS=Connected\nRELOADING=1") << name;
  }
}

TEST(ServiceNotifier, WithoutAManagerNothingHappens) {
  testing::TempDir dir;
  const std::string too_long(sizeof(sockaddr_un::sun_path), 'x');
  for (const char* value : {static_cast<const char*>(nullptr), "", too_long.c_str()}) {
    ServiceNotifier notifier(value);
    EXPECT_FALSE(notifier.Active());
    EXPECT_FALSE(notifier.Tell("READY=1"));
  }
  // A manager that is gone loses the state; the caller goes on.
  ServiceNotifier orphan(dir.File("gone").c_str());
  EXPECT_TRUE(orphan.Active());
  EXPECT_FALSE(orphan.Tell("STOPPING=1"));
}

TEST(ServiceNotifier, WatchdogPingsAtHalfThePeriodForThisProcessOnly) {
  struct Case {
    const char* usec;
    const char* pid;
    std::optional<std::chrono::milliseconds> interval;
  };
  const std::vector<Case> cases = {
      {"60000000", nullptr, 30000ms},  {"60000000", "", 30000ms},
      {"60000000", "42", 30000ms},     {"60000000", "43", std::nullopt},
      {"60000000", "x", std::nullopt}, {"1", nullptr, 1ms},
      {"0", nullptr, std::nullopt},    {"", nullptr, std::nullopt},
      {nullptr, "42", std::nullopt},   {"-5", nullptr, std::nullopt},
      {"10s", nullptr, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WatchdogPingInterval(c.usec, c.pid, 42), c.interval)
        << (c.usec ? c.usec : "null") << " " << (c.pid ? c.pid : "null");
}

TEST(ServiceNotifier, StatusTexts) {
  using State = LinkFacts::State;
  struct Case {
    LinkFacts facts;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{State::Connected, "irc.example.org", "ZelmoBot", 3, 0, 0},
       "Connected to irc.example.org as ZelmoBot, in 3 channels"},
      {{State::Connected, "h", "b", 1, 0, 0}, "Connected to h as b, in 1 channel"},
      {{State::Connected, "h", "b", 0, 0, 0}, "Connected to h as b, in 0 channels"},
      {{State::Connecting, "h", "", 0, 0, 0}, "Connecting to h"},
      {{State::Registering, "h", "b", 0, 0, 0}, "Logging on to h"},
      {{State::Waiting, "h", "", 0, 40, 3}, "Reconnecting in 40 s (attempt 3)"},
      {{State::Disconnected, "h", "", 0, 0, 0}, "Disconnected"},
  };
  for (const Case& c : cases) EXPECT_EQ(ServiceStatusText(c.facts), c.text);
}

// The real program under a manager with a watchdog: ready once the opening
// lines are out, pinging while it runs, reloading and ready again at RELOAD,
// stopping at SIGTERM.
TEST(AppHeadless, TellsItsServiceManagerReadyReloadingWatchdogAndStopping) {
  testing::TempDir dir;
  testing::FakeServiceManager manager(dir.File("notify"));
  testing::BotProcess bot(testing::HeadlessBot(
      dir.Path(), {"NOTIFY_SOCKET=" + dir.File("notify"), "WATCHDOG_USEC=100000"}, true));
  EXPECT_EQ(manager.Await(10s), "READY=1");
  EXPECT_TRUE(manager.AwaitStartingWith("WATCHDOG=1", 10s));
  EXPECT_TRUE(manager.AwaitStartingWith("WATCHDOG=1", 10s));
  bot.Command("reload");
  EXPECT_TRUE(manager.AwaitStartingWith("RELOADING=1\nMONOTONIC_USEC=", 10s));
  EXPECT_TRUE(manager.AwaitStartingWith("READY=1", 10s));
  bot.Signal(SIGTERM);
  EXPECT_TRUE(manager.AwaitStartingWith("STOPPING=1", 10s));
  EXPECT_EQ(bot.WaitExit(10s), 0);
}

}  // namespace
}  // namespace zelmo
