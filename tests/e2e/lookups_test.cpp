#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/bot_process.h"
#include "support/dictd_server.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"

// The real program on a real ngircd answering !word from a real dictd with
// the FreeDict dictionaries, and !tv from XMLTV files written here. The bot
// runs three hours ahead of UTC; the listings are written two hours ahead.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

constexpr long kBotZone = 3 * 3600;
constexpr long kListingZone = 2 * 3600;

std::string Utc(std::time_t when, const char* format) {
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[32];
  std::strftime(text, sizeof text, format, &parts);
  return text;
}

// An XMLTV time of the listing's zone.
std::string ListingTime(std::time_t when) {
  return Utc(when + kListingZone, "%Y%m%d%H%M%S") + " +0200";
}

// The time as the bot shows it.
std::string Shown(std::time_t when) {
  return Utc(when + kBotZone, "%H:%M");
}

std::string Programme(const std::string& channel, std::time_t start, std::time_t stop,
                      const std::string& titles) {
  std::string stop_attribute = stop ? " stop=\"" + ListingTime(stop) + "\"" : "";
  return "<programme start=\"" + ListingTime(start) + "\"" + stop_attribute + " channel=\"" +
         channel + "\">" + titles + "<desc>x</desc></programme>\n";
}

std::string Listing(const std::string& programmes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
         "<tv generator-info-name=\"test\">\n<channel id=\"yle1.fi\"><display-name>Yle TV1"
         "</display-name></channel>\n" +
         programmes + "</tv>\n";
}

class Lookups : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
    ngircd = std::make_unique<NgircdServer>();
  }

  // The bot with these Config.ini lines, and a user with it in #room.
  void Start(const std::string& config) {
    dir.Write("Config.ini", LoopbackConfig(ngircd->Port(), config));
    dir.Write("Users.ini", "[owner]\nPassword=secret\nRights_General=2\n");
    bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path(), {"TZ=ZZZ-3"}));
    ASSERT_TRUE(bot->AwaitDisplay("Type \"Connect\"", 10s));
    bot->Command("connect");
    ASSERT_TRUE(bot->AwaitDisplay("Connected to 127.0.0.1.", 10s));
    user = std::make_unique<IrcTestClient>(NgircdServer::Host(), ngircd->Port(), "owner");
    // Until the bot has registered, the server refuses messages to it.
    for (int attempt = 0; attempt < 50 && !user->WaitFor("Login: Logged on", 100); ++attempt) {
      user->Send("PRIVMSG ZelmoBot :login;owner;secret");
    }
    user->JoinChannel("#room");
    user->Send("PRIVMSG ZelmoBot :join;#room");
    ASSERT_TRUE(user->WaitFor([](const std::string& line) {
      return line.starts_with(":ZelmoBot!") && line.find(" JOIN ") != std::string::npos;
    }));
  }

  // The bot's answer in #room to the command, as the server passes it on
  // (without trailing blanks).
  std::string Ask(const std::string& command, int timeout_ms = 10000) {
    user->Send("PRIVMSG #room :" + command);
    const std::string said = " PRIVMSG #room :";
    auto line = user->WaitFor(
        [&](const std::string& line) {
          return line.starts_with(":ZelmoBot!") && line.find(said) != std::string::npos;
        },
        timeout_ms);
    return line ? line->substr(line->find(said) + said.size()) : "(no answer)";
  }

  TempDir dir;
  std::unique_ptr<NgircdServer> ngircd;
  std::unique_ptr<BotProcess> bot;
  std::unique_ptr<IrcTestClient> user;
};

class WordLookups : public Lookups {
 protected:
  void SetUp() override {
    if (!DictdServer::Available()) GTEST_SKIP() << "dictd or the FreeDict dictionaries missing";
    Lookups::SetUp();
    dictd = std::make_unique<DictdServer>();
    Start("[Lookups]\nDictionary=" + dictd->Address() + "\n");
  }
  std::unique_ptr<DictdServer> dictd;
};

TEST_F(WordLookups, WordsAreTranslatedBothWaysWithoutTheExplanations) {
  EXPECT_EQ(Ask("!word talo"), "Word: Results for talo: house, home");
  EXPECT_EQ(Ask("!word don't"), "Word: Results for don't: seis, älkää, älä");
  EXPECT_EQ(Ask("!word xyzzyq"), "Word: Results for xyzzyq");
}

TEST_F(WordLookups, AStoppedOrSilentServerAnswersTheErrorAndTheNextLookupWorks) {
  dictd->Pause();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Ask("!word talo", 40000), "Word: Error");
  // The 15 s bound for the greeting and a margin.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 25s);
  dictd->Resume();
  EXPECT_EQ(Ask("!word kissa"), "Word: Results for kissa: cat, queen, chick");
  dictd->Stop();
  EXPECT_EQ(Ask("!word talo"), "Word: Error");
}

class TvLookups : public Lookups {
 protected:
  void SetUp() override {
    Lookups::SetUp();
    if (IsSkipped()) return;
    Start(
        "[Lookups]\nTVListing=listing.xml\n[TV]\nYLE1=yle1.fi\nYLE2=yle2.fi\nMTV3=mtv3.fi\n"
        "Nelonen=nelonen.fi\nSubTV=sub.fi\n");
  }
  std::time_t now = std::time(nullptr);
};

TEST_F(TvLookups, NowAndNextFollowTheClockAcrossAProgrammeBoundary) {
  // Five seconds from now: time enough for the first answer.
  const std::time_t boundary = std::time(nullptr) + 5;
  dir.Write("listing.xml",
            Listing(Programme("yle1.fi", boundary - 1800, boundary, "<title>Uutiset</title>") +
                    Programme("yle1.fi", boundary, boundary + 1800,
                              "<title lang=\"sv\">Nyheter</title><title lang=\"fi\">Sää</title>") +
                    Programme("yle1.fi", boundary + 1800, 0, "<title>Elokuva</title>")));
  EXPECT_EQ(Ask("!tv tv1"),
            "\x02YLE1\x02: " + Shown(boundary - 1800) + " Uutiset | " + Shown(boundary) + " Sää");
  std::this_thread::sleep_until(std::chrono::system_clock::from_time_t(boundary) + 500ms);
  EXPECT_EQ(Ask("!tv 1"),
            "\x02YLE1\x02: " + Shown(boundary) + " Sää | " + Shown(boundary + 1800) + " Elokuva");
}

TEST_F(TvLookups, AllChannelsNameEveryChannelEvenWithoutProgrammes) {
  std::string programmes;
  for (const char* id : {"yle1.fi", "yle2.fi", "mtv3.fi", "nelonen.fi", "moon.fi"}) {
    programmes += Programme(id, now - 600, now + 600, std::string("<title>On ") + id + "</title>") +
                  Programme(id, now + 600, 0, std::string("<title>Next ") + id + "</title>");
  }
  dir.Write("listing.xml", Listing(programmes));
  const std::string on = Shown(now - 600), next = Shown(now + 600);
  EXPECT_EQ(Ask("!tv now"), "Nyt menossa: \x02YLE1\x02: " + on + " On yle1.fi \x02YLE2\x02: " + on +
                                " On yle2.fi \x02MTV3\x02: " + on +
                                " On mtv3.fi \x02Nelonen\x02: " + on +
                                " On nelonen.fi \x02SubTV\x02:  \x02MoonTV\x02:");
  EXPECT_EQ(Ask("!tv seuraava"),
            "Seuraavaksi: \x02YLE1\x02: " + next + " Next yle1.fi \x02YLE2\x02: " + next +
                " Next yle2.fi \x02MTV3\x02: " + next + " Next mtv3.fi \x02Nelonen\x02: " + next +
                " Next nelonen.fi \x02SubTV\x02:  \x02MoonTV\x02:");
  EXPECT_EQ(Ask("!tv subtv"), "\x02SubTV\x02:");
}

TEST_F(TvLookups, ABrokenOrHostileFileAnswersTheErrorAndTheRepairedFileIsReadAgain) {
  EXPECT_EQ(Ask("!tv 2"), "TV: Error");  // no file yet
  dir.Write("listing.xml", Listing("<programme start=\"2024\" channel=\"yle2.fi\">"));
  EXPECT_EQ(Ask("!tv 2"), "TV: Error");
  std::string laughs = "<!DOCTYPE tv [<!ENTITY a \"ha\">";
  for (char level = 'b'; level <= 'k'; ++level) {
    const std::string below = std::string("&") + static_cast<char>(level - 1) + ";";
    laughs += std::string("<!ENTITY ") + level + " \"" + below + below + below + below + below +
              below + below + below + below + below + "\">";
  }
  dir.Write("listing.xml", laughs +
                               "]>\n<tv><programme start=\"20240101000000\" channel=\"yle2.fi\">"
                               "<title>&k;</title></programme></tv>\n");
  EXPECT_EQ(Ask("!tv 2"), "TV: Error");
  // A title taken from another file.
  dir.Write("secret.txt", "Secret");
  dir.Write("listing.xml",
            "<!DOCTYPE tv [<!ENTITY s SYSTEM \"file://" + dir.File("secret.txt") + "\">]>\n<tv>" +
                Programme("yle2.fi", now - 60, now + 60, "<title>&s;</title>") + "</tv>\n");
  EXPECT_EQ(Ask("!tv 2"), "TV: Error");
  dir.Write("listing.xml", Listing(Programme("yle2.fi", now - 60, now + 60, "<title>A</title>")));
  EXPECT_EQ(Ask("!tv 2"), "\x02YLE2\x02: " + Shown(now - 60) + " A");
  // Rewritten by the grabber: read again.
  dir.Write("listing.xml", Listing(Programme("yle2.fi", now - 60, now + 60, "<title>B</title>")));
  EXPECT_EQ(Ask("!tv 2"), "\x02YLE2\x02: " + Shown(now - 60) + " B");
}

}  // namespace
}  // namespace zelmo::testing
