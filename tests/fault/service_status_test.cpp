#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "fault_fixture.h"
#include "support/fake_service_manager.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

class ServiceStatus : public FaultTest {};

// The manager's status line follows the link: offline, connected and in how
// many channels, and the wait before the next attempt once the link is lost.
TEST_F(ServiceStatus, FollowsTheLinkThroughJoinLossAndReconnect) {
  FakeServiceManager manager(dir.File("notify"));
  StartBot("Reconnect=always\n", {"NOTIFY_SOCKET=" + dir.File("notify")});
  EXPECT_TRUE(manager.AwaitStartingWith("STATUS=Disconnected", 10s));
  ConnectBot();
  EXPECT_TRUE(manager.AwaitStartingWith(
      "STATUS=Connected to 127.0.0.1 as " + nick + ", in 0 channels", 10s));
  JoinBot("#room");
  EXPECT_TRUE(manager.AwaitStartingWith(
      "STATUS=Connected to 127.0.0.1 as " + nick + ", in 1 channel", 10s));
  link->Close();
  EXPECT_TRUE(manager.AwaitStartingWith("STATUS=Reconnecting in ", 10s));
}

}  // namespace
}  // namespace zelmo::testing
