#include "irc/protocol/line_fit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelmo {
namespace {

using Lines = std::vector<std::string>;

TEST(LineFit, AMessageIsSplitAtTheLastBlankOrAtTheLimit) {
  // 480 bytes of room with a 30-byte prefix; "PRIVMSG #r :" takes 12.
  const std::string words = std::string(460, 'a') + " bb " + std::string(30, 'c');
  EXPECT_EQ(FitLine("PRIVMSG #r :" + words, 30),
            (Lines{"PRIVMSG #r :" + std::string(460, 'a') + " bb",
                   "PRIVMSG #r :" + std::string(30, 'c')}));
  // A blank right behind a full piece is the split.
  const std::string full = std::string(468, 'a') + " z";
  EXPECT_EQ(FitLine("NOTICE #r :" + full, 30).size(), 2u);
  EXPECT_EQ(FitLine("PRIVMSG #r :" + full, 30),
            (Lines{"PRIVMSG #r :" + std::string(468, 'a'), "PRIVMSG #r :z"}));
  // No blank: as full as fits.
  const std::string solid(1000, 'x');
  EXPECT_EQ(FitLine("PRIVMSG bob :" + solid, 30),
            (Lines{"PRIVMSG bob :" + solid.substr(0, 467), "PRIVMSG bob :" + solid.substr(0, 467),
                   "PRIVMSG bob :" + solid.substr(0, 66)}));
  // A trailing blank is kept rather than split off into nothing.
  EXPECT_EQ(FitLine("PRIVMSG #r :" + std::string(468, 'a') + " ", 30),
            (Lines{"PRIVMSG #r :" + std::string(468, 'a'), "PRIVMSG #r : "}));
}

TEST(LineFit, Utf8CharactersStayWholeInValidTextsOnly) {
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "\xc3\xa4";  // 600 bytes
  // 468 bytes of room behind "PRIVMSG #r :" with a 30-byte prefix: 467
  // would cut a character, so the piece ends at 466.
  const Lines valid = FitLine("PRIVMSG #r :x" + umlauts, 30);
  ASSERT_EQ(valid.size(), 2u);
  EXPECT_EQ(valid[0], "PRIVMSG #r :x" + umlauts.substr(0, 466));
  EXPECT_EQ(valid[1], "PRIVMSG #r :" + umlauts.substr(466));
  // Not UTF-8 (a lone 0xff): cut at the byte limit.
  const Lines latin = FitLine("PRIVMSG #r :\xff" + umlauts, 30);
  EXPECT_EQ(latin[0].size(), 480u);
  // Any other line is cut, at a character boundary when it is UTF-8.
  const Lines kick = FitLine("KICK #r bob :x" + umlauts, 30);
  EXPECT_EQ(kick, Lines{"KICK #r bob :x" + umlauts.substr(0, 466)});
  EXPECT_EQ(FitLine("QUIT :" + std::string(600, 'q'), 100),
            Lines{"QUIT :" + std::string(404, 'q')});
}

TEST(LineFit, ACtcpMessageIsCutAndKeepsItsClosingMark) {
  const std::string ping = "\001PING " + std::string(600, '1') + "\001";
  const Lines cut = FitLine("NOTICE bob :" + ping, 30);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0], "NOTICE bob :\001PING " + std::string(461, '1') + "\001");
  EXPECT_EQ(cut[0].size(), 480u);
  const Lines open = FitLine("NOTICE bob :\001PING " + std::string(600, '1'), 30);
  EXPECT_EQ(open, Lines{"NOTICE bob :\001PING " + std::string(462, '1')});
}

}  // namespace
}  // namespace zelmo
