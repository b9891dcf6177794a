#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel_bot.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

class WordLookupTest : public PageLookupTest {
 protected:
  WordLookupTest() : PageLookupTest(true) {}
};

const std::string kTaloPage =
    "house<br>\r\n<i>noun</i>\r\nbuilding<br>\r\n<I>noun</I>\r\n</html>\r\n";

TEST_F(WordLookupTest, TranslationsAreTheLinesBeforeItalicLines) {
  web.ServeAndRecord(kTaloPage);
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Results for talo: house, building");
  EXPECT_EQ(bot.Shown(), (Lines{"#ROOM/nobody: !word talo",
                                "-> #room: Word: Results for talo: house, building"}));
}

TEST_F(WordLookupTest, RequestIsOneBareLineAndTheConnectionIsClosedAfter) {
  web.ServeAndRecord(kTaloPage);
  Lookup("!word talo");
  EXPECT_EQ(web.request, "GET /cgi-bin/mofind.exe/dr1?word=talo\r\n");
  EXPECT_TRUE(web.client_closed);
  EXPECT_EQ(bot.pauses, (std::vector<int>{100, 500}));
}

TEST_F(WordLookupTest, WordIsPartOneAsTyped) {
  web.ServeAndRecord("</html>\n");
  EXPECT_EQ(Lookup("!WORD Talo extra words"), "PRIVMSG #room :Word: Results for Talo");
  EXPECT_EQ(web.request, "GET /cgi-bin/mofind.exe/dr1?word=Talo\r\n");

  web.ServeAndRecord("</html>\n");
  Lookup("!Word a&b?c=d%20");
  EXPECT_EQ(web.request, "GET /cgi-bin/mofind.exe/dr1?word=a&b?c=d%20\r\n");
}

TEST_F(WordLookupTest, TwoBlanksLookUpTheEmptyWord) {
  web.ServeAndRecord("house<br>\n<i>n\n</html>\n");
  EXPECT_EQ(Lookup("!word  talo"), "PRIVMSG #room :Word: Results for : house");
  EXPECT_EQ(web.request, "GET /cgi-bin/mofind.exe/dr1?word=\r\n");
}

TEST_F(WordLookupTest, WithoutTranslationsTheColonGoes) {
  web.ServeAndRecord("<html>\r\nnothing found<br>\r\n<b>x</b>\r\n</html>\r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Results for talo");
}

TEST_F(WordLookupTest, PreviousLineWithoutTagGivesAnEmptyTranslation) {
  // The first line has no previous line; "plain" has no "<".
  web.ServeAndRecord("<I>first\r\nplain\r\n<i>x\r\n<br>tag first\r\n<I>y\r\n</html>\r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Results for talo: , , ");
}

TEST_F(WordLookupTest, ItalicMarkNeedsThreeCharactersInAnyCase) {
  web.ServeAndRecord("a<br>\n<i\nb<br>\n<Ix>\nc<br>\n<i>\n</html>\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Results for talo: c");
}

TEST_F(WordLookupTest, LetterEntitiesBecomeLatin1AndOthersStay) {
  web.ServeAndRecord(
      "p&auml;iv&auml;<br>\r\n<I>n\r\n&Auml;&ouml;&Ouml; &aring;&amp;<br>\r\n<I>n\r\n</html>\r\n");
  EXPECT_EQ(Lookup("!word talo"),
            "PRIVMSG #room :Word: Results for talo: p\xE4iv\xE4, \xC4\xF6\xD6 &aring;&amp;");
}

TEST_F(WordLookupTest, PageEndIsExactlyTheClosingHtmlLine) {
  // Neither "</HTML>" nor "</html> " ends the page; the server's close does,
  // and then the translations already found are dropped.
  web.ServeAndClose("house<br>\r\n<I>n\r\n</HTML>\r\n</html> \r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  EXPECT_EQ(bot.Shown().back(), "-> #room: Word: Error");
}

TEST_F(WordLookupTest, ServerClosingWithoutPageEndIsAnError) {
  web.ServeAndClose("house<br>\r\n<I>n\r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  web.ServeAndClose("house<br>\r\n<I>n\r\n</html>");  // no line end after it
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
}

TEST_F(WordLookupTest, UnreachableOrResettingServerIsAnError) {
  bot.dictionary = WebHost{"127.0.0.1", 1};
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  bot.dictionary = web.Host();
  web.Refuse();
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
}

TEST_F(WordLookupTest, OverlongLineFailsAndTheNextFetchWorks) {
  web.ServeAndHold(std::string(20000, 'a') + "<br>\r\n<I>n\r\n</html>\r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  // The failed fetch let go of the connection the server still held open.
  EXPECT_TRUE(web.client_closed);

  PageServer second;
  bot.dictionary = second.Host();
  second.ServeAndRecord(kTaloPage);
  Says("nobody", "!word talo");
  second.Join();
  EXPECT_EQ(bot.TakeSent(), Lines{"PRIVMSG #room :Word: Results for talo: house, building"});
}

TEST_F(WordLookupTest, SilentServerIsAnsweredWithinTheLineBound) {
  web.ServeAndHold("house<br>\r\n<I>n\r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  EXPECT_TRUE(web.client_closed);
}

TEST_F(WordLookupTest, TricklingServerIsCutOffByTheFetchBound) {
  // Each byte comes well within the line bound; only the bound on the whole
  // fetch ends it.
  web.Trickle();
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  EXPECT_TRUE(web.client_closed);
}

TEST_F(WordLookupTest, EndlessPageIsCutOffByTheFetchBound) {
  web.Flood();
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error");
  EXPECT_TRUE(web.client_closed);
}

TEST_F(WordLookupTest, PageTextCannotInjectAnIrcCommand) {
  const std::string nul(1, '\0');
  web.ServeAndRecord("evil\rQUIT :x" + nul + "PRIVMSG y<br>\n<I>n\n</html>\n");
  Says("nobody", "!word talo");
  web.Join();
  // What reached the IRC server: one PRIVMSG line, then the next command.
  bot.irc.Raw("PING :end");
  std::optional<std::string> line;
  for (int i = 0; i < 10; ++i) {
    line = bot.peer->ReadLine();
    if (!line || line->starts_with("PRIVMSG")) break;
  }
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(*line, "PRIVMSG #room :Word: Results for talo: evil QUIT :x PRIVMSG y");
  EXPECT_EQ(bot.peer->ReadLine(), "PING :end");
}

TEST_F(WordLookupTest, MissingWordIsAnsweredInTheChannelWithoutFetch) {
  Says("nobody", "!word");
  EXPECT_EQ(bot.TakeSent(), Lines{"PRIVMSG #room :Word: Error - Not enough parameters"});
  EXPECT_TRUE(bot.pauses.empty());
}

}  // namespace
}  // namespace zelmo::testing
