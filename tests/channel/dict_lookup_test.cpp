#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/translations.h"
#include "channel_bot.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

// !word against a scripted DICT server: it sends all its answers at once
// and records what the bot sends until the bot closes.
class DictLookupTest : public ChannelBotTest {
 protected:
  void SetUp() override {
    ChannelBotTest::SetUp();
    bot.dictionary = DictServer{"127.0.0.1", server.Host().port, {"fin", "eng"}};
  }
  std::string Lookup(const std::string& text) {
    Says("nobody", text);
    server.Join();
    const Lines sent = bot.TakeSent();
    return sent.size() == 1 ? sent[0] : "(" + std::to_string(sent.size()) + " lines sent)";
  }
  PageServer server;
};

const std::string kGreeting = "220 dictd 1.13 <auth.mime> <1.2@test>\r\n250 ok\r\n";

std::string Definitions(const std::string& database, const std::string& text) {
  return "150 1 definitions retrieved\r\n151 \"w\" " + database + " \"Test\"\r\n" + text +
         ".\r\n250 ok\r\n";
}

TEST_F(DictLookupTest, EveryDatabaseIsAskedInOrderAndEachTranslationComesOnce) {
  server.ServeAndRecord(kGreeting + Definitions("fin", "w <n>\r\n..NET, home\r\n..explained\r\n") +
                        Definitions("eng", "w <n>\r\n1. home; building\r\nx\r\n2. .NET\r\n"));
  EXPECT_EQ(Lookup("!word a\\b"), "PRIVMSG #room :Word: Results for a\\b: .NET, home, building");
  EXPECT_EQ(server.request,
            "CLIENT ZelmoBot v0.5\r\nDEFINE fin \"a\\\\b\"\r\nDEFINE eng \"a\\\\b\"\r\nQUIT\r\n");
  EXPECT_TRUE(server.client_closed);

  server.ServeAndRecord(kGreeting + "552 no match\r\n552 no match\r\n");
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Results for talo");
}

TEST_F(DictLookupTest, ARefusalOrABrokenAnswerIsAnErrorAndTheNextLookupWorks) {
  for (const std::string& answer :
       {std::string("530 access denied\r\n"), kGreeting + "550 invalid database\r\n",
        kGreeting + "150 1\r\nw <n>\r\nhouse\r\n.\r\n250 ok\r\n",
        kGreeting + "150 1\r\n151 \"w\" fin\r\nw <n>\r\nhouse\r\n"}) {
    server.ServeAndRecord(answer);
    EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Error") << answer;
  }
  server.ServeAndRecord(kGreeting + "552 no match\r\n" + Definitions("eng", "w\r\nhouse\r\n"));
  EXPECT_EQ(Lookup("!word talo"), "PRIVMSG #room :Word: Results for talo: house");
}

// A quoted string carries no double quote and no control character, and a
// DEFINE line holds 1024 bytes with its CR LF: here a word of 1009.
TEST_F(DictLookupTest, AWordThatNoCommandCanCarryIsNeverSent) {
  std::vector<std::string> names;
  bot.page.Resolver = [&names](const std::string& name) {
    names.push_back(name);
    return std::optional<std::string>("127.0.0.1");
  };
  bot.dictionary = DictServer{"dict.test", server.Host().port, {"fin", "eng"}};
  for (const std::string& word :
       {std::string("a\"b"), std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3),
        std::string("a\tb"), std::string(1010, 'x')}) {
    Says("nobody", "!word " + word);
    EXPECT_EQ(bot.TakeSent(), Lines{"PRIVMSG #room :Word: Error"});
  }
  EXPECT_TRUE(names.empty());
  server.ServeAndRecord(kGreeting + "552 no match\r\n552 no match\r\n");
  Lookup("!word " + std::string(1009, 'x'));
  EXPECT_NE(server.request.find("DEFINE eng \"" + std::string(1009, 'x') + "\"\r\n"),
            std::string::npos);
}

// Entries as the FreeDict databases give them: the explanations, in the
// word's own language, are left out.
TEST(DefinitionTranslations, EachSenseGivesItsFirstLineOnly) {
  EXPECT_EQ(DefinitionTranslations("talo /tˈalo/ <n>\nhouse, home\nyleensä ihmisten asumista\n"),
            (Lines{"house", "home"}));
  EXPECT_EQ(DefinitionTranslations("päivä /pˈæivæ/ <n>\nday 2.\nvaloisa aika vuorokaudesta\n"
                                   " 3.\n(arkikieltä) vuorokausi\n"),
            Lines{"day"});
  EXPECT_EQ(DefinitionTranslations("joulupäivä <n>\nChristmas Day\n25. joulukuuta, juhlapäivä\n"),
            Lines{"Christmas Day"});
  EXPECT_EQ(DefinitionTranslations("thrush //θɹʌʃ// <n>\n1. rastas\none of several species\n"
                                   "2. laulajatar\n3. hiivasienitulehdus; rastas\n"),
            (Lines{"rastas", "laulajatar", "hiivasienitulehdus"}));
  EXPECT_EQ(DefinitionTranslations("er <suffix>\n1. in, ja\nperson\n2. mpi 2.\ncomparative\n 3.\n"
                                   "of adverbs\n"),
            (Lines{"in", "ja", "mpi"}));
  EXPECT_TRUE(DefinitionTranslations("headword only\n").empty());
}

}  // namespace
}  // namespace zelmo::testing
