#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "channel_bot.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

class TvLookupTest : public PageLookupTest {
 protected:
  TvLookupTest() : PageLookupTest(false) {}
};

// Six lines: "L<k> <b>x</b>" and so on, so each channel's line is known.
std::string NumberedPage() {
  std::string page;
  for (int k = 1; k <= 6; ++k) page += "L" + std::to_string(k) + " <b>x</b>\r\n";
  return page;
}

TEST_F(TvLookupTest, OneChannelAnswersItsLineFormatted) {
  web.ServeAndRecord("<b>x</b><i>y</i>&nbsp;z<br>\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
  EXPECT_EQ(Lookup("!tv 1"), "PRIVMSG #room :\x02x\x02\x1Fy\x1Fz");
  EXPECT_EQ(web.request, "GET /vorla/tv.php\r\n");
  EXPECT_TRUE(web.client_closed);
  EXPECT_EQ(bot.pauses, (std::vector<int>{100, 500}));
  EXPECT_EQ(bot.Shown().back(), "-> #room: \x02x\x02\x1Fy\x1Fz");
}

TEST_F(TvLookupTest, EveryNameOfAChannelFindsItsLine) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"!tv 1", 1},   {"!tv tv1", 1},   {"!TV yle1", 1},    {"!tv Yle2", 2},
      {"!tv mtv", 3}, {"!tv 3", 3},     {"!tv nelonen", 4}, {"!tv 4", 4},
      {"!tv TV4", 4}, {"!tv subtv", 5}, {"!tv moontv", 6},
  };
  for (const auto& [text, line] : cases) {
    web.ServeAndRecord(NumberedPage());
    EXPECT_EQ(Lookup(text), "PRIVMSG #room :L" + std::to_string(line) + " \x02x\x02") << text;
  }
}

TEST_F(TvLookupTest, NowNamesAllSixWithTheirNowPieces) {
  std::string page;
  for (int k = 1; k <= 6; ++k) page += "ab<i>Show" + std::to_string(k) + "</i>cd<i>X</i>\r\n";
  web.ServeAndRecord(page);
  EXPECT_EQ(Lookup("!tv now"),
            "PRIVMSG #room :Nyt menossa: \x02YLE1\x02: \x1FShow1\x1F \x02YLE2\x02: \x1FShow2\x1F "
            "\x02MTV3\x02: \x1FShow3\x1F \x02Nelonen\x02: \x1FShow4\x1F \x02SubTV\x02: "
            "\x1FShow5\x1F \x02MoonTV\x02: \x1FShow6\x1F");
}

TEST_F(TvLookupTest, NextNamesAllSixWithTheirNextPieces) {
  const std::string line = "20.00 Uutiset&nbsp;21.00 <i>Elokuva</i>\r\n";
  std::string page;
  for (int k = 1; k <= 6; ++k) page += line;
  page.replace(0, line.size(), "no markers here\r\n");  // an empty piece for YLE1
  web.ServeAndRecord(page);
  EXPECT_EQ(Lookup("!tv seuraava"),
            "PRIVMSG #room :Seuraavaksi: \x02YLE1\x02:  \x02YLE2\x02:  Uutiset \x02MTV3\x02:  "
            "Uutiset \x02Nelonen\x02:  Uutiset \x02SubTV\x02:  Uutiset \x02MoonTV\x02:  Uutiset");
}

TEST_F(TvLookupTest, OnlySixLinesAreRead) {
  // A seventh line too long to read would fail the lookup if it were read.
  web.ServeAndRecord(NumberedPage() + std::string(20000, 'z') + "\r\n");
  EXPECT_EQ(Lookup("!tv moontv"), "PRIVMSG #room :L6 \x02x\x02");
}

TEST_F(TvLookupTest, FiveLinesThenCloseIsAnError) {
  web.ServeAndClose("1\r\n2\r\n3\r\n4\r\n5\r\n");
  EXPECT_EQ(Lookup("!tv 1"), "PRIVMSG #room :TV: Error");
  EXPECT_EQ(bot.Shown().back(), "-> #room: TV: Error");
}

TEST_F(TvLookupTest, SilentServerAndOverlongLineAreErrorsAndTheNextFetchWorks) {
  web.ServeAndHold("1\r\n2\r\n");
  EXPECT_EQ(Lookup("!tv 1"), "PRIVMSG #room :TV: Error");
  EXPECT_TRUE(web.client_closed);
  web.ServeAndHold("1\r\n" + std::string(16385, 'z') + "\r\n");
  EXPECT_EQ(Lookup("!tv 1"), "PRIVMSG #room :TV: Error");
  EXPECT_TRUE(web.client_closed);
  web.ServeAndRecord(NumberedPage());
  EXPECT_EQ(Lookup("!tv 2"), "PRIVMSG #room :L2 \x02x\x02");
}

// The name service holds the lookup until the test lets it go (at most 10 s),
// as a resolver whose DNS server never answers would.
TEST_F(TvLookupTest, AHangingNameLookupIsCutOffByTheConnectBound) {
  auto release = std::make_shared<std::promise<void>>();
  auto ended = std::make_shared<std::promise<void>>();
  std::future<void> lookup_ended = ended->get_future();
  bot.page.Resolver = [released = release->get_future().share(), ended](const std::string&) {
    released.wait_for(std::chrono::seconds(10));
    ended->set_value();
    return std::optional<std::string>("127.0.0.1");
  };
  bot.tv_listing = WebHost{"slow-name.test", 1};
  bot.page_limits.connect_ms = 200;
  EXPECT_EQ(Lookup("!tv 1"), "PRIVMSG #room :TV: Error");
  EXPECT_EQ(lookup_ended.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  release->set_value();
  EXPECT_EQ(lookup_ended.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST_F(TvLookupTest, UnknownChannelIsAnsweredWithoutFetch) {
  Says("nobody", "!tv 5");
  Says("nobody", "!tv foo");
  EXPECT_EQ(bot.TakeSent(), (Lines{"PRIVMSG #room :TV: Error - Unknown channel 5",
                                   "PRIVMSG #room :TV: Error - Unknown channel FOO"}));
  EXPECT_TRUE(bot.pauses.empty());
}

TEST_F(TvLookupTest, MissingArgumentIsAnsweredInTheChannel) {
  Says("nobody", "!tv");
  EXPECT_EQ(bot.TakeSent(), Lines{"PRIVMSG #room :TV: Error - Not enough parameters"});
  EXPECT_EQ(bot.Shown().back(), "-> #room: TV: Error - Not enough parameters");
}

}  // namespace
}  // namespace zelmo::testing
