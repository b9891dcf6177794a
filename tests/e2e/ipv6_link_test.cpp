#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "shell/mainunit.h"
#include "support/bot_process.h"
#include "support/ngircd_server.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

// The bot on a real server that listens on ::1 only: the address written
// with and without brackets, and a USER line the server takes (its host
// parameter must not begin with ":").

namespace zelmo::testing {
namespace {

class Ipv6Link : public ::testing::TestWithParam<std::string> {};

TEST_P(Ipv6Link, TheBotRegistersAndJoinsOverIpv6) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer server("", "::1");
  TempDir dir;
  dir.Write("Config.ini",
            "[Me]\nIRCHost=" + GetParam() + "\nPort=" + std::to_string(server.Port()) + "\n");
  RecordingPort port;
  auto form = std::make_unique<TMainForm>(port, dir.Path());
  form->UserInputEntered("connect");
  ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.ConnectionState() == stConnected; }, 10000))
      << "not registered over ::1";
  EXPECT_EQ(form->IRC.LinkIPv6Address(), "0::1");
  form->IRC.Join("#six", "");
  EXPECT_TRUE(port.PumpUntil([&] { return form->IRC.Channels.Find("#six") != nullptr; }, 10000));
  form.reset();
}

INSTANTIATE_TEST_SUITE_P(Addresses, Ipv6Link, ::testing::Values("::1", "[::1]"));

}  // namespace
}  // namespace zelmo::testing
