#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/chanmsg.h"
#include "channel/dictionary.h"
#include "channel/page_text.h"
#include "channel/tv_listing.h"
#include "shell/base/errors.h"

namespace zelmo {
namespace {

TEST(PagePositions, FindCountsFromOneAndGivesZeroWhenAbsent) {
  EXPECT_EQ(FindPos("<i>", "<i>x"), 1);
  EXPECT_EQ(FindPos("<i>", "ab<i>x<i>"), 3);
  EXPECT_EQ(FindPos("<i>", "ab<I>"), 0);
  EXPECT_EQ(FindPos("<i>", ""), 0);
}

TEST(PagePositions, SliceClampsAsDefined) {
  EXPECT_EQ(SlicePos("abcdef", 2, 3), "bcd");
  EXPECT_EQ(SlicePos("abcdef", 0, 2), "ab");
  EXPECT_EQ(SlicePos("abcdef", -7, 2), "ab");
  EXPECT_EQ(SlicePos("abcdef", 6, 5), "f");
  EXPECT_EQ(SlicePos("abcdef", 7, 1), "");
  EXPECT_EQ(SlicePos("abcdef", 2, 0), "");
  EXPECT_EQ(SlicePos("abcdef", 2, -1), "");
  EXPECT_EQ(SlicePos("", 1, 5), "");
}

TEST(TvNowPiece, CutsFromFirstItalicByTheSecondItalicsPosition) {
  // First "</i>" at 11; within "</i>cd<i>X</i>" the "<i>" is at 7, so 12
  // characters from position 3: the "cd" before the second "<i>" is cut off.
  EXPECT_EQ(NowPiece("ab<i>Hello</i>cd<i>X</i>"), "<i>Hello</i>");
  // A longer title and a shorter gap: "</i>" at 11, and within "</i> <i>Y"
  // the "<i>" is at 6, so 11 characters from position 1.
  EXPECT_EQ(NowPiece("<i>Uutiset</i> <i>Y"), "<i>Uutiset<");
}

TEST(TvNowPiece, MissingMarkers) {
  // "</i>" without a later "<i>": five characters from the first "<i>".
  EXPECT_EQ(NowPiece("<i>Uutiset</i> loppu"), "<i>Uu");
  // No "</i>": the line is its own rest; "<i>" at 3 gives 8 characters.
  EXPECT_EQ(NowPiece("xx<i>abc"), "<i>abc");
  // Neither marker: five characters from the start.
  EXPECT_EQ(NowPiece("plain text"), "plain");
  // "</i>" before the first "<i>": the rest "</i>y<i>z" has "<i>" at 6.
  EXPECT_EQ(NowPiece("x</i>y<i>z"), "<i>z");
  EXPECT_EQ(NowPiece(""), "");
}

TEST(TvNextPiece, CutsAroundTheFirstNbsp) {
  // "&nbsp;" at 14; the rest from 21 is "1.00 <i>Elokuva</i>" with "</i>" at
  // 16: 14 characters from position 6.
  EXPECT_EQ(NextPiece("20.00 Uutiset&nbsp;21.00 <i>Elokuva</i>"), " Uutiset&nbsp;");
  // "&nbsp;" at 3 starts the piece at the line's start; the rest "def</i>"
  // has "</i>" at 4, so 2 characters.
  EXPECT_EQ(NextPiece("ab&nbsp;cdef</i>"), "ab");
}

TEST(TvNextPiece, ShortOrMissingMarkersGiveShortOrEmptyPieces) {
  // "</i>" at 2 in the rest: count 0.
  EXPECT_EQ(NextPiece("ab&nbsp;cd</i>"), "");
  // No "&nbsp;": the rest starts at 7 ("ghij</i>", "</i>" at 5), 3 characters.
  EXPECT_EQ(NextPiece("abcdefghij</i>"), "abc");
  // No "</i>" after the "&nbsp;": negative count.
  EXPECT_EQ(NextPiece("0123456789&nbsp;x"), "");
  EXPECT_EQ(NextPiece("plain text"), "");
  EXPECT_EQ(NextPiece(""), "");
}

TEST(TvChannelKeys, EveryNameOfTheTable) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"TV1", "YLE1"},    {"YLE1", "YLE1"},     {"1", "YLE1"},          {"TV2", "YLE2"},
      {"YLE2", "YLE2"},   {"2", "YLE2"},        {"MTV3", "MTV3"},       {"3", "MTV3"},
      {"MTV", "MTV3"},    {"TV4", "Nelonen"},   {"NELONEN", "Nelonen"}, {"4", "Nelonen"},
      {"SUBTV", "SubTV"}, {"MOONTV", "MoonTV"}, {"NYT", "Now"},         {"NOW", "Now"},
      {"SEUR", "Next"},   {"SEURAAVA", "Next"}, {"NEXT", "Next"},
  };
  for (const auto& [argument, key] : table) EXPECT_EQ(TvChannelKey(argument), key) << argument;
}

TEST(TvChannelKeys, AnythingElseIsUnknown) {
  for (const char* argument : {"5", "6", "SUB", "MOON", "YLE", "tv1", "now", "", "TV1 ", "TV3"}) {
    EXPECT_EQ(TvChannelKey(argument), "ERR") << argument;
  }
}

TEST(TvFormatting, TagsBecomeIrcFormatting) {
  EXPECT_EQ(TvFormatting("<b>x</b><i>y</i>&nbsp;z<br>"), "\x02x\x02\x1Fy\x1Fz");
  EXPECT_EQ(TvFormatting("<a href=\"u\">t</a>"), "<a href=\"u\">t");
  // Capitals and other entities stay.
  EXPECT_EQ(TvFormatting("<B>x</B> <I>y</I> &amp; <BR>"), "<B>x</B> <I>y</I> &amp; <BR>");
}

TEST(TvFormatting, EntriesApplyInTableOrder) {
  // The "<br>" goes before "&nbsp;" is looked for, so the halves join up.
  EXPECT_EQ(TvFormatting("a&nb<br>sp;b"), "ab");
  // A "<b>" that appears only once "<br>" is gone stays: its turn is over.
  EXPECT_EQ(TvFormatting("<<br>b>"), "<b>");
}

TEST(TvAnswer, AllChannelsNameEveryChannelEvenWithEmptyPieces) {
  const std::array<std::string, kTvChannelCount> lines{"", "", "", "", "", ""};
  EXPECT_EQ(BuildTvAnswer("Now", lines),
            "Nyt menossa: <b>YLE1</b>:  <b>YLE2</b>:  <b>MTV3</b>:  <b>Nelonen</b>:  "
            "<b>SubTV</b>:  <b>MoonTV</b>: ");
  EXPECT_EQ(BuildTvAnswer("Next", lines),
            "Seuraavaksi: <b>YLE1</b>:  <b>YLE2</b>:  <b>MTV3</b>:  <b>Nelonen</b>:  "
            "<b>SubTV</b>:  <b>MoonTV</b>: ");
}

TEST(DictionaryText, TranslationIsTheTextBeforeTheFirstTag) {
  EXPECT_EQ(TranslationPiece("house<br>"), "house");
  EXPECT_EQ(TranslationPiece("big house <b>x</b>"), "big house ");
  EXPECT_EQ(TranslationPiece("<br>house"), "");
  EXPECT_EQ(TranslationPiece("no tag at all"), "");
  EXPECT_EQ(TranslationPiece(""), "");
}

TEST(DictionaryText, LetterEntitiesBecomeLatin1Bytes) {
  EXPECT_EQ(ReplaceLetterEntities("p&auml;iv&auml;"), "p\xE4iv\xE4");
  EXPECT_EQ(ReplaceLetterEntities("&ouml;&Auml;&Ouml;"), "\xF6\xC4\xD6");
  EXPECT_EQ(ReplaceLetterEntities("&aring; &amp; &AUML; <b>"), "&aring; &amp; &AUML; <b>");
  EXPECT_EQ(ReplaceLetterEntities("&a&auml;uml;"), "&a\xE4uml;");
}

TEST(ModeChange, NeedsANick) {
  EXPECT_THROW(BuildModeChange({"!op"}, '+', 'o'), Exception);
}

}  // namespace
}  // namespace zelmo
