#include "shell/base/ini_switch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "shell/base/errors.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

TEST(Switch, TakesTheFourPairsInAnyCaseAndNothingElse) {
  const struct {
    const char* text;
    std::optional<bool> value;
  } cases[] = {
      {"1", true},      {"0", false}, {"yes", true},      {"No", false}, {"TRUE", true},
      {"fAlSe", false}, {"on", true}, {"OFF", false},     {"", {}},      {"maybe", {}},
      {"2", {}},        {"-1", {}},   {"01", {}},         {"y", {}},     {"enabled", {}},
      {"$1", {}},       {"0x1", {}},  {"yes please", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSwitch(c.text), c.value) << c.text;
}

// Read through the INI store: blanks and one pair of quotes go, an absent
// key is the default, and a value that is no switch names its key.
TEST(Switch, AnAbsentKeyIsTheDefaultAndABadValueNamesItsKey) {
  TempDir dir;
  dir.Write("Config.ini", "[me]\ntls = \"On\"\nUTF8Only=\nAutoConnect=maybe\n");
  const TIniFile ini(dir.File("Config.ini"));
  EXPECT_TRUE(ReadSwitch(ini, "Me", "TLS", false));
  EXPECT_TRUE(ReadSwitch(ini, "Me", "TLSVerify", true));
  EXPECT_FALSE(ReadSwitch(ini, "General", "HashPasswords", false));
  for (const auto& [key, message] :
       {std::pair("UTF8Only",
                  "[Me] UTF8Only: '' is not a switch (1/0, yes/no, true/false, on/off)"),
        std::pair("AutoConnect",
                  "[Me] AutoConnect: 'maybe' is not a switch (1/0, yes/no, true/false, on/off)")}) {
    try {
      ReadSwitch(ini, "Me", key, false);
      ADD_FAILURE() << key << " was taken";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), message);
    }
  }
}

}  // namespace
}  // namespace zelmo
