#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "scripts/script_fixture.h"

namespace zelmo::testing {
namespace {

using Calls = std::vector<std::string>;

class Examples : public ScriptTest {
 protected:
  void LoadExample(const std::string& name) {
    std::ifstream file(std::string(ZELMO_SOURCE_DIR) + "/examples/scripts/" + name);
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_FALSE(text.str().empty()) << name;
    ASSERT_TRUE(LoadOnly(text.str(), name)) << host.errors.front();
  }
};

TEST_F(Examples, SeenTellsWhereAndWhatInPlainWords) {
  LoadExample("seen.lua");
  Tell(ScriptEventKind::Message, "#c", "Bob", "hello there");
  Tell(ScriptEventKind::Message, "", "eve", "a private word", "zelmobot");
  Tell(ScriptEventKind::Quit, "", "dan", "gone");
  Run("!seen bob");
  Run("!seen eve");
  Run("!seen dan");
  Run("!seen");
  EXPECT_EQ(host.calls,
            (Calls{"reply seen.lua #c bob was last seen in #c just now, saying: hello there",
                   "reply seen.lua #c eve has not been seen.",
                   "reply seen.lua #c dan was last seen just now, quitting",
                   "reply seen.lua #c Usage: !seen <nick>"}));
}

TEST_F(Examples, SeenCountsTheTimeSince) {
  std::filesystem::create_directories(dir.Path() + "scripts");
  dir.Write(
      "scripts/seen.lua.ini",
      "[Store]\nbob=s" + std::to_string(std::time(nullptr) - 3 * 3600 - 5) + " #c saying: hi\n");
  LoadExample("seen.lua");
  Run("!seen Bob");
  EXPECT_EQ(host.calls,
            (Calls{"reply seen.lua #c Bob was last seen in #c 3 hours ago, saying: hi"}));
}

TEST_F(Examples, UptimeAnswersPrivately) {
  LoadExample("uptime.lua");
  Run("uptime", "");
  ScriptEvent connected;
  connected.kind = ScriptEventKind::Connected;
  engine.Tell(connected);
  Run("uptime", "");
  EXPECT_EQ(host.calls,
            (Calls{"reply uptime.lua ann Scripts loaded less than a minute ago, not connected.",
                   "reply uptime.lua ann Scripts loaded less than a minute ago, connected for less "
                   "than a minute."}));
}

TEST_F(Examples, TitleIsOffUntilTurnedOnAndRateLimited) {
  LoadExample("title.lua");
  Tell(ScriptEventKind::Message, "#c", "bob", "see https://a.test/x");
  EXPECT_TRUE(host.fetches.empty());
  Run("title;on", "");
  Tell(ScriptEventKind::Message, "#c", "bob", "see https://a.test/x now");
  Tell(ScriptEventKind::Message, "#c", "bob", "and http://b.test/");
  Tell(ScriptEventKind::Message, "#d", "bob", "http://c.test/");
  ASSERT_EQ(host.fetches.size(), 2u);
  EXPECT_EQ(host.fetches[0].url, "https://a.test/x");
  EXPECT_EQ(host.fetches[1].url, "http://c.test/");
  host.fetches[0].done(200, "<html><TITLE lang=en>\n  Fish &amp; chips &#8212; a\tstory </title>");
  host.fetches[1].done(404, "<title>Not found</title>");
  EXPECT_EQ(host.calls, (Calls{"reply title.lua ann Link titles are on.",
                               "say title.lua #c Title: Fish & chips \xE2\x80\x94 a story"}));
}

}  // namespace
}  // namespace zelmo::testing
