#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <ctime>
#include <string>
#include <vector>

#include "channel/tv_listing_cache.h"
#include "channel/tv_programmes.h"
#include "channel/xmltv_reader.h"
#include "channel/xmltv_time.h"
#include "shell/base/errors.h"
#include "support/temp_dir.h"

namespace zelmo::testing {
namespace {

// 2024-01-01 12:00 UTC.
constexpr std::int64_t kNoon = 1704110400;

class Xmltv : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  // YLE1's answer at the time, from the listing's programmes.
  static std::string Yle1At(const std::string& programmes, std::int64_t when) {
    const TvSchedule schedule = ReadXmltv("<tv>" + programmes + "</tv>");
    return ScheduleAnswer("YLE1", schedule, {"yle1", "", "", "", "", ""}, when);
  }
};

std::string Programme(const char* start, const char* stop, const char* titles) {
  const std::string stop_attribute = *stop ? std::string(" stop=\"") + stop + "\"" : "";
  return std::string("<programme channel=\"yle1\" start=\"") + start + "\"" + stop_attribute + ">" +
         titles + "</programme>";
}

TEST_F(Xmltv, NowAndNextAtTheEdgesOfProgrammes) {
  const std::string day =
      Programme("20240101120000 +0000", "20240101130000 +0000", "<title>A</title>") +
      Programme("20240101140000 +0000", "",
                "<title lang='en'>B</title><title lang='fi'>Bee</title>") +
      Programme("20240101150000 +0000", "", "<title>\n  C\t d </title><title lang='sv'>Ce</title>");
  EXPECT_EQ(Yle1At(day, kNoon - 1), "<b>YLE1</b>: | 12:00 A");
  EXPECT_EQ(Yle1At(day, kNoon), "<b>YLE1</b>: 12:00 A | 14:00 Bee");
  // Stopped at 13:00; B, without a stop, runs until C starts, and C for ever.
  EXPECT_EQ(Yle1At(day, kNoon + 3600), "<b>YLE1</b>: | 14:00 Bee");
  EXPECT_EQ(Yle1At(day, kNoon + 3 * 3600 - 1), "<b>YLE1</b>: 14:00 Bee | 15:00 C d");
  EXPECT_EQ(Yle1At(day, kNoon + 99 * 3600), "<b>YLE1</b>: 15:00 C d");
  setenv("TZ", "EET-2", 1);
  tzset();
  EXPECT_EQ(Yle1At(day, kNoon), "<b>YLE1</b>: 14:00 A | 16:00 Bee");
}

TEST(XmltvTime, EveryFormAndZone) {
  EXPECT_EQ(ParseXmltvTime("20240101140000 +0200"), kNoon);
  EXPECT_EQ(ParseXmltvTime("20240101103000 -0130"), kNoon);
  EXPECT_EQ(ParseXmltvTime("202401011200 UTC"), kNoon);
  EXPECT_EQ(ParseXmltvTime("2024010112"), kNoon);
  EXPECT_EQ(ParseXmltvTime("20240101"), kNoon - 12 * 3600);
  for (const char* bad : {"2024", "202401011", "20240230", "20240101240000", "20240101120000 BST",
                          "20240101120000 +2400", "20240101120000 +02", "x20240101"}) {
    EXPECT_EQ(ParseXmltvTime(bad), std::nullopt) << bad;
  }
}

// Entities are refused outright: declared ones (which could expand without
// bound or name a file) and undeclared ones alike.
TEST(XmltvReader, RefusesEntitiesAndAnythingButAListing) {
  const std::string programme = Programme("20240101120000", "", "<title>&x;</title>");
  for (const std::string& document : std::vector<std::string>{
           "<!DOCTYPE tv [<!ENTITY x \"y\">]><tv>" + programme + "</tv>",
           "<!DOCTYPE tv [<!ENTITY x SYSTEM \"/etc/passwd\">]><tv>" + programme + "</tv>",
           "<!DOCTYPE tv [<!ENTITY % p SYSTEM \"http://127.0.0.1/\">]><tv></tv>",
           "<!DOCTYPE tv SYSTEM \"xmltv.dtd\"><tv>" + programme + "</tv>",
           std::string("<tv><programme start=\"20240101\"></programme></tv>"),
           "<tv>" + Programme("20240101", "2024", "") + "</tv>", std::string("<html></html>"),
           std::string("<tv><programme"), std::string("")}) {
    EXPECT_THROW(ReadXmltv(document), Exception) << document;
  }
  EXPECT_NO_THROW(ReadXmltv("<!DOCTYPE tv SYSTEM \"xmltv.dtd\"><tv>&amp;&#228;</tv>"));
}

TEST(TvListingCache, TheFileIsParsedAgainOnlyWhenItChanged) {
  TempDir dir;
  const std::string path = dir.File("tv.xml");
  TvListingCache cache;
  EXPECT_THROW(LoadTvSchedule(path, &cache), Exception);
  dir.Write("tv.xml", "<tv></tv>");
  const auto first = LoadTvSchedule(path, &cache);
  EXPECT_EQ(LoadTvSchedule(path, &cache), first);
  EXPECT_NE(LoadTvSchedule(path, nullptr), first);
  dir.Write("tv.xml", "<tv> </tv>");
  EXPECT_NE(LoadTvSchedule(path, &cache), first);
  dir.Write("tv.xml", "<tv>");
  EXPECT_THROW(LoadTvSchedule(path, &cache), Exception);
  // Refused by its size, unread.
  ASSERT_EQ(truncate(path.c_str(), kMaxListingBytes + 1), 0);
  EXPECT_THROW(LoadTvSchedule(path, &cache), Exception);
  EXPECT_THROW(LoadTvSchedule(dir.Path(), &cache), Exception);
}

}  // namespace
}  // namespace zelmo::testing
