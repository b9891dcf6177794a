#include "channel/ban_duration.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/base/errors.h"

namespace zelmo {
namespace {

TEST(BanDuration, ReadsACountAndOneUnit) {
  struct Case {
    const char* text;
    BanSeconds seconds;
  };
  const Case cases[] = {
      {"0", kPermanentBan}, {"45", 45},         {"45s", 45},    {"30m", 1800},
      {"2h", 7200},         {"7d", 604800},     {"1w", 604800}, {"2H", 7200},
      {"1W", 604800},       {"366d", 31622400}, {"007m", 420},  {"52w", 31449600},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDuration(c.text), c.seconds) << c.text;
}

TEST(BanDuration, RefusesOtherTextsNamingThem) {
  for (const char* text :
       {"", "h", "1x", "1h30m", "-5m", "+5m", " 5m", "5m ", "1.5h", "5mm", "m5"}) {
    try {
      ParseDuration(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), "'" + std::string(text) + "' is not a duration");
    }
  }
  for (const char* text : {"367d", "53w", "31622401", "99999999999999999999999h"}) {
    try {
      ParseDuration(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), "'" + std::string(text) + "' is longer than a year");
    }
  }
}

TEST(BanDuration, FormatsTheTwoLargestUnits) {
  struct Case {
    BanSeconds seconds;
    const char* text;
  };
  const Case cases[] = {
      {0, "permanent"}, {-3, "permanent"},
      {45, "45s"},      {60, "1m"},
      {3600, "1h"},     {3601, "1h"},
      {5400, "1h30m"},  {93784, "1d2h"},
      {691200, "1w1d"}, {kMaxBanSeconds, "52w2d"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDuration(c.seconds), c.text) << c.seconds;
}

}  // namespace
}  // namespace zelmo
