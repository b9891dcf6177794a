#include "shell/ui/qt/text_bytes.h"

#include <gtest/gtest.h>

#include "shell/ui/qt/balloon_text.h"

namespace zelmo::qtui {
namespace {

TEST(TextBytes, ValidUtf8IsReadAsUtf8) {
  EXPECT_EQ(TextFromBytes("p\xC3\xA4iv\xC3\xA4\xC3\xA4"), QStringLiteral(u"päivää"));
  EXPECT_EQ(TextFromBytes("\xF0\x9F\x98\x80"), QString::fromUcs4(U"\U0001F600"));
  EXPECT_EQ(TextFromBytes(""), QString());
}

TEST(TextBytes, AnythingElseIsLatin1ByteByByte) {
  // The bot's own texts: a lone 0xE4 is "ä".
  EXPECT_EQ(TextFromBytes("p\xE4iv\xE4\xE4"), QStringLiteral(u"päivää"));
  // A UTF-8 sequence cut off at the end is no UTF-8 either.
  EXPECT_EQ(TextFromBytes("abc\xC3"), QStringLiteral(u"abc\u00C3"));
  // Overlong form of "/".
  EXPECT_EQ(TextFromBytes("\xC0\xAF").size(), 2);
  // One bad byte turns the whole line to Latin-1, so nothing is dropped.
  EXPECT_EQ(TextFromBytes("\xC3\xA4\xFF"), QStringLiteral(u"\u00C3\u00A4\u00FF"));
}

TEST(TextBytes, ControlCharactersAndByteOrderMarksAreKept) {
  const std::string colours =
      "\x03"
      "4red\x0F plain\x02";
  EXPECT_EQ(TextFromBytes(colours), QStringLiteral(u"\u00034red\u000F plain\u0002"));
  EXPECT_EQ(TextFromBytes(std::string("a\0b", 3)).size(), 3);
  EXPECT_EQ(TextFromBytes("\xEF\xBB\xBFhi"), QStringLiteral(u"\uFEFFhi"));
}

TEST(TextBytes, TypedTextGoesOutAsUtf8) {
  EXPECT_EQ(BytesFromText(QStringLiteral(u"häh")), "h\xC3\xA4h");
}

TEST(TextBytes, CuttingNeverSplitsASurrogatePair) {
  const QString smile = QString::fromUcs4(U"ab\U0001F600");
  EXPECT_EQ(CutText(smile, 3), QStringLiteral("ab"));
  EXPECT_EQ(CutText(smile, 4), smile);
  EXPECT_EQ(CutText(QStringLiteral("abc"), 0), QString());
}

TEST(BalloonText, TitleAndTextAreCutAndCarriageReturnsBreakLines) {
  const BalloonText shown =
      MakeBalloonText(std::string(70, 't'), "Disconnected from irc.example.\rReconnecting!");
  EXPECT_EQ(shown.title, QString(63, QLatin1Char('t')));
  EXPECT_EQ(shown.text, QStringLiteral("Disconnected from irc.example.\nReconnecting!"));

  EXPECT_EQ(MakeBalloonText("x", std::string(300, 'a')).text.size(), 255);
  EXPECT_EQ(MakeBalloonText("x", "one\r\ntwo").text, QStringLiteral("one\ntwo"));
  EXPECT_EQ(MakeBalloonText("Nick changed",
                            "von M\xFC"
                            "ller")
                .text,
            QStringLiteral(u"von Müller"));
}

TEST(BalloonText, DisplayTimes) {
  EXPECT_EQ(BalloonMilliseconds(60), 60000);
  EXPECT_EQ(BalloonMilliseconds(0), 10000);
  EXPECT_EQ(BalloonMilliseconds(-5), 10000);
  EXPECT_GT(BalloonMilliseconds(1 << 30), 0);
}

}  // namespace
}  // namespace zelmo::qtui
