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

// Through the INI store: blanks and one pair of quotes go, an absent key is
// the default, and an empty value is no switch.
TEST(Switch, AnAbsentKeyIsTheDefaultAndAnEmptyValueNamesItsKey) {
  TempDir dir;
  dir.Write("Config.ini", "[me]\ntls = \"On\"\nUTF8Only=\n");
  const TIniFile ini(dir.File("Config.ini"));
  EXPECT_TRUE(ReadSwitch(ini, "Me", "TLS", false));
  EXPECT_TRUE(ReadSwitch(ini, "Me", "TLSVerify", true));
  try {
    ReadSwitch(ini, "Me", "UTF8Only", false);
    ADD_FAILURE() << "an empty value was taken";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(),
              "[Me] UTF8Only: '' is not a switch (1/0, yes/no, true/false, on/off)");
  }
}

}  // namespace
}  // namespace zelmo
