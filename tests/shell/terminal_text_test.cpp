#include "shell/ui/terminal/terminal_text.h"

#include <gtest/gtest.h>

namespace zelmo {
namespace {

TEST(TerminalSafeText, ControlBytesShowInCaretNotation) {
  EXPECT_EQ(TerminalSafeText("\x03"
                             "4,1red\x0f"),
            "^C4,1red^O");
  EXPECT_EQ(TerminalSafeText("\x1b[2J\x1b]0;owned\x07"), "^[[2J^[]0;owned^G");
  EXPECT_EQ(TerminalSafeText(std::string("a\0b", 3)), "a^@b");
  EXPECT_EQ(TerminalSafeText("tab\there\r\n"), "tab^Ihere^M^J");
  EXPECT_EQ(TerminalSafeText("del\x7f"), "del^?");
  EXPECT_EQ(TerminalSafeText("\x1f"), "^_");
}

TEST(TerminalSafeText, ValidUtf8StaysAsItIs) {
  EXPECT_EQ(TerminalSafeText("plain text [12:00] !word"), "plain text [12:00] !word");
  EXPECT_EQ(TerminalSafeText("k\xc3\xa4vi \xe2\x82\xac \xf0\x9f\x98\x80"),
            "k\xc3\xa4vi \xe2\x82\xac \xf0\x9f\x98\x80");
}

TEST(TerminalSafeText, LatinOneBecomesUtf8) {
  EXPECT_EQ(TerminalSafeText("k\xe4vi p\xf6yt\xe4"), "k\xc3\xa4vi p\xc3\xb6yt\xc3\xa4");
  EXPECT_EQ(TerminalSafeText("\xff"), "\xc3\xbf");
  // One bad byte makes the whole line Latin-1, also its valid-looking pairs.
  EXPECT_EQ(TerminalSafeText("\xc3\xa4\xe4"), "\xc3\x83\xc2\xa4\xc3\xa4");
}

TEST(TerminalSafeText, C1ControlsShowAsHex) {
  // CSI as a Latin-1 byte and as a UTF-8 code point: neither reaches the terminal.
  EXPECT_EQ(TerminalSafeText("x\x9b"
                             "31m"),
            "x\\x9b31m");
  EXPECT_EQ(TerminalSafeText("x\xc2\x9b"
                             "31m"),
            "x\\x9b31m");
  EXPECT_EQ(TerminalSafeText("\x80\x9f"), "\\x80\\x9f");
}

TEST(TerminalSafeText, MalformedUtf8IsReadAsLatinOne) {
  // Overlong ESC, a UTF-16 surrogate, a cut sequence, beyond U+10FFFF.
  EXPECT_EQ(TerminalSafeText("\xc0\x9b"), "\xc3\x80\\x9b");
  EXPECT_EQ(TerminalSafeText("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\\x80");
  EXPECT_EQ(TerminalSafeText("ab\xe2\x82"), "ab\xc3\xa2\\x82");
  EXPECT_EQ(TerminalSafeText("\xf4\x90\x80\x80"), "\xc3\xb4\\x90\\x80\\x80");
}

TEST(TerminalColor, DirectColoursGiveTheirRgb) {
  EXPECT_EQ(ForegroundEscape(clRed), "\x1b[38;2;255;0;0m");
  EXPECT_EQ(ForegroundEscape(clGreen), "\x1b[38;2;0;128;0m");
  EXPECT_EQ(ForegroundEscape(clOlive), "\x1b[38;2;128;128;0m");
  EXPECT_EQ(ForegroundEscape(0xF0CAA6), "\x1b[38;2;166;202;240m");
}

}  // namespace
}  // namespace zelmo
