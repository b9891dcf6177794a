#include "shell/base/service_notify.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zelmo {
namespace {

using namespace std::chrono_literals;

// A service manager's end: a datagram socket bound to a path or, for a name
// beginning with "@", to an abstract name.
class FakeManager {
 public:
  explicit FakeManager(const std::string& name) {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    if (name[0] == '@') address.sun_path[0] = '\0';
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() +
                                             (name[0] == '@' ? 0 : 1));
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0)
      throw std::runtime_error("bind failed");
  }
  ~FakeManager() { close(fd_); }
  // The next datagram, or "" when none waits.
  std::string Take() const {
    char buffer[512];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    return got > 0 ? std::string(buffer, got) : std::string();
  }

 private:
  int fd_ = -1;
};

TEST(ServiceNotifier, TellsTheManagerAtAPathOrAnAbstractName) {
  testing::TempDir dir;
  const std::vector<std::string> names = {dir.File("notify"),
                                          "@zelmotest-notify-" + std::to_string(getpid())};
  for (const std::string& name : names) {
    FakeManager manager(name);
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
      {"60000000", nullptr, 30000ms}, {"60000000", "", 30000ms}, {"60000000", "42", 30000ms},
      {"60000000", "43", std::nullopt}, {"60000000", "x", std::nullopt}, {"1", nullptr, 1ms},
      {"0", nullptr, std::nullopt},   {"", nullptr, std::nullopt},    {nullptr, "42", std::nullopt},
      {"-5", nullptr, std::nullopt},  {"10s", nullptr, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WatchdogPingInterval(c.usec, c.pid, 42), c.interval)
        << (c.usec ? c.usec : "null") << " " << (c.pid ? c.pid : "null");
}

}  // namespace
}  // namespace zelmo
