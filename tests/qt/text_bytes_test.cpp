#include "shell/ui/qt/text_bytes.h"

#include <gtest/gtest.h>

#include "shell/ui/qt/balloon_text.h"

namespace zelmo {
namespace {

TEST(TextBytes, Utf8WhenValidElseLatin1) {
  EXPECT_EQ(TextFromBytes("p\xC3\xA4iv\xC3\xA4\xC3\xA4"), QStringLiteral(u"päivää"));
  // The bot's own texts: a lone 0xE4 is "ä".
  EXPECT_EQ(TextFromBytes("p\xE4iv\xE4\xE4"), QStringLiteral(u"päivää"));
  // A sequence cut off at the end, or one bad byte anywhere, makes the
  // whole line Latin-1, so nothing is dropped.
  EXPECT_EQ(TextFromBytes("abc\xC3"), QStringLiteral(u"abc\u00C3"));
  EXPECT_EQ(TextFromBytes("\xC3\xA4\xFF"), QStringLiteral(u"\u00C3\u00A4\u00FF"));
  EXPECT_EQ(TextFromBytes("\xC0\xAF").size(), 2);  // overlong "/"
}

TEST(TextBytes, ControlCharactersNulsAndByteOrderMarksAreKept) {
  EXPECT_EQ(TextFromBytes("\x03"
                          "4red\x0F"),
            QStringLiteral(u"\u00034red\u000F"));
  EXPECT_EQ(TextFromBytes(std::string("a\0b", 3)).size(), 3);
  EXPECT_EQ(TextFromBytes("\xEF\xBB\xBFhi"), QStringLiteral(u"\uFEFFhi"));
}

TEST(TextBytes, CuttingNeverSplitsASurrogatePair) {
  const QString smile = QString::fromUcs4(U"ab\U0001F600");
  EXPECT_EQ(CutText(smile, 3), QStringLiteral("ab"));
  EXPECT_EQ(CutText(smile, 4), smile);
}

TEST(BalloonText, TitleAndTextAreCutAndCarriageReturnsBreakLines) {
  const BalloonText shown =
      MakeBalloonText(std::string(70, 't'), "Disconnected from irc.example.\rReconnecting!");
  EXPECT_EQ(shown.title, QString(63, QLatin1Char('t')));
  EXPECT_EQ(shown.text, QStringLiteral("Disconnected from irc.example.\nReconnecting!"));
  EXPECT_EQ(MakeBalloonText("x", std::string(300, 'a')).text.size(), 255);
  EXPECT_EQ(MakeBalloonText("x", "one\r\ntwo").text, QStringLiteral("one\ntwo"));
  EXPECT_EQ(BalloonMilliseconds(60), 60000);
  EXPECT_EQ(BalloonMilliseconds(0), 10000);
  EXPECT_GT(BalloonMilliseconds(1 << 30), 0);
}

}  // namespace
}  // namespace zelmo
