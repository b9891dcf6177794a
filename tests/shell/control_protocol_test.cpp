#include "shell/base/control_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelmo {
namespace {

// Each message is one line whatever its texts hold, and reads back as sent.
TEST(ControlProtocol, MessagesAreOneLineAndReadBackAsSent) {
  const std::vector<BotMessage> bot = {
      ControlDisplayLine{Dangerous, 255, "[12:00] a\tb\\c\r\nd"},
      ControlDisplayLine{Normal, -16777208, ""},
      ControlErrorBox{"ZelmoBot", "Socket Error # 111\nConnection refused"},
      ControlQuestion{"ZelmoBot", "Do you want to exit ZelmoBot?"},
      ControlNotice{"Too many consoles"},
      ControlBacklogEnd{},
  };
  for (const BotMessage& message : bot) {
    const std::string line = EncodeControl(message);
    ASSERT_EQ(line.find('\n'), line.size() - 1) << line;
    const auto back = DecodeBotMessage(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(back) << line;
    EXPECT_EQ(EncodeControl(*back), line);
  }
  for (const ConsoleMessage& message : std::vector<ConsoleMessage>{
           ControlInput{"comment;a\nb"}, ControlAnswer{true}, ControlAnswer{false}}) {
    const std::string line = EncodeControl(message);
    ASSERT_EQ(line.find('\n'), line.size() - 1) << line;
    const auto back = DecodeConsoleMessage(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(back) << line;
    EXPECT_EQ(EncodeControl(*back), line);
  }
}

TEST(ControlProtocol, LinesThatAreNoMessageAreRefused) {
  for (const char* line :
       {"", "X", "L", "L4 0 x", "L3x text", "L3 text", "L3", "E no tab", "Q", "Rx"}) {
    EXPECT_FALSE(DecodeBotMessage(line)) << line;
  }
  for (const char* line : {"", "A", "A2", "A10", "Ztext", "L3 0 x"}) {
    EXPECT_FALSE(DecodeConsoleMessage(line)) << line;
  }
  EXPECT_EQ(std::get<ControlInput>(*DecodeConsoleMessage("C")).line, "");
  EXPECT_EQ(std::get<ControlInput>(*DecodeConsoleMessage("Ca\\")).line, "a\\");
}

}  // namespace
}  // namespace zelmo
