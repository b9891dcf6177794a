#include <gtest/gtest.h>

#include <string>

#include "shell/base/console_input.h"

namespace zelmo {
namespace {

// The window's box and standard input are two views of one box: after the
// same typing, Enter hands over the same line in both.
TEST(ConsoleInput, EnterOnAnEmptyLineRepeatsTheLastLineHoldingTextInBothViews) {
  ConsoleLines lines;
  EXPECT_EQ(lines.Enter(""), "");
  EXPECT_EQ(LineForEnter(""), "");
  EXPECT_EQ(lines.Enter("connect"), "connect");
  EXPECT_EQ(lines.Enter(""), "connect");
  EXPECT_EQ(LineForEnter("connect\r\n\n"), "connect");
  EXPECT_EQ(lines.Enter(" "), " ");
  EXPECT_EQ(LineForEnter("connect\n \n"), " ");
}

TEST(ConsoleInput, BothViewsCutTheLineAndRepeatItCut) {
  const std::string umlauts = [] {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "\xC3\xA4";
    return text;
  }();
  const std::string cut = umlauts.substr(0, 2 * kMaxConsoleInput);
  ConsoleLines lines;
  EXPECT_EQ(lines.Enter(umlauts), cut);
  EXPECT_EQ(lines.Enter(""), cut);
  EXPECT_EQ(LineForEnter(umlauts + "\n"), cut);
  // A byte that starts no character is one character of its own.
  EXPECT_EQ(CutConsoleInput(std::string(5000, '\xE4')), std::string(kMaxConsoleInput, '\xE4'));
}

}  // namespace
}  // namespace zelmo
