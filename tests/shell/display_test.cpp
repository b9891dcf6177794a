#include <gtest/gtest.h>

#include <regex>

#include "shell/base/display.h"
#include "support/recording_port.h"

namespace zelmo {
namespace {

using testing::RecordingPort;

TEST(TMessageDisplay, EachTextIsOneStampedLineInOrder) {
  RecordingPort port;
  TMessageDisplay display(port);
  display.DisplayLines({"first", "second"});
  ASSERT_EQ(port.lines.size(), 2u);
  EXPECT_EQ(port.Texts(), (std::vector<std::string>{"first", "second"}));
  std::regex stamped(R"(\[[^\]]+ [^\]]+\] first)");
  EXPECT_TRUE(std::regex_match(port.lines[0].line, stamped)) << port.lines[0].line;
}

TEST(TMessageDisplay, ColouredLinesUseTheClassColourThenNormalAgain) {
  RecordingPort port;
  TMessageDisplay display(port);
  display.NormalColor = clBlack;
  display.ImportantColor = clGreen;
  display.DangerousColor = clOlive;
  display.ErrorousColor = clRed;
  display.DisplayColoredLine("a", Important);
  display.DisplayColoredLine("b", Dangerous);
  display.DisplayLine("c");
  display.DisplayColoredLine("d", Errorous);
  EXPECT_EQ(port.lines[0].color, clGreen);
  EXPECT_EQ(port.lines[1].color, clOlive);
  EXPECT_EQ(port.lines[2].color, clBlack);
  EXPECT_EQ(port.lines[3].color, clRed);
  EXPECT_EQ(display.InsertionColor(), clBlack);
}

TEST(TMessageDisplay, AClassOutsideTheThreeKeepsTheInsertionColour) {
  RecordingPort port;
  TMessageDisplay display(port);
  display.NormalColor = clBlue;
  display.DisplayColoredLine("a", Important);  // insertion colour is now the normal one
  display.DisplayColoredLine("b", static_cast<TextClass>(7));
  display.DisplayColoredLine("c", Normal);
  EXPECT_EQ(port.lines[1].color, clBlue);
  EXPECT_EQ(port.lines[2].color, clBlue);
}

TEST(TMessageDisplay, ANewNormalColourOnlyColoursLaterLines) {
  RecordingPort port;
  TMessageDisplay display(port);
  display.DisplayColoredLine("loaded", Important);
  display.DisplayLine("old");
  display.NormalColor = clRed;
  display.DisplayColoredLine("loaded again", Important);
  display.DisplayLine("new");
  EXPECT_EQ(port.lines[1].color, clBlack);
  EXPECT_EQ(port.lines[3].color, clRed);
}

TEST(TMessageDisplay, ControlCharactersPassUnchanged) {
  RecordingPort port;
  TMessageDisplay display(port);
  display.DisplayLine(
      "\x03"
      "4red\x02 bold\x1f");
  EXPECT_EQ(port.Texts()[0],
            "\x03"
            "4red\x02 bold\x1f");
}

TEST(TMessageDisplay, TheColourEndsNormalWhenAppendingFails) {
  struct FailingPort : RecordingPort {
    void AppendDisplayLine(const std::string&, TColor) override { throw std::runtime_error("x"); }
  } port;
  TMessageDisplay display(port);
  display.NormalColor = clBlue;
  EXPECT_THROW(display.DisplayColoredLine("a", Errorous), std::runtime_error);
  EXPECT_EQ(display.InsertionColor(), clBlue);
}

}  // namespace
}  // namespace zelmo
