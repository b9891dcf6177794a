#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>
#include <vector>

#include "channel/tv_channels.h"
#include "shell/base/colors.h"
#include "shell/base/config_names.h"
#include "shell/base/config_read.h"
#include "shell/base/convert.h"
#include "support/temp_dir.h"
#include "users/bot_version.h"

namespace zelmo {
namespace {

using testing::TempDir;

// Config.ini holding one line in the key's section.
class ConfigKeys : public ::testing::Test {
 protected:
  const TIniFile& With(const std::string& section, const std::string& line) {
    dir.Write("Config.ini", "[" + section + "]\n" + line + "\n");
    return ini;
  }
  TempDir dir;
  const TIniFile ini{dir.File("Config.ini")};
};

TEST_F(ConfigKeys, TheTableNamesEachKeyOnceWithADefaultItsTypeReads) {
  std::set<std::string> names;
  for (const ConfigKey* key : kConfigKeys) {
    EXPECT_TRUE(names.insert(LowerCase(KeyName(*key))).second) << KeyName(*key);
    EXPECT_FALSE(key->description.empty()) << KeyName(*key);
    EXPECT_EQ(FindConfigKey(UpperCase(key->section), LowerCase(key->name)), key);
    // Every default reads as a value of its type, without a note.
    EXPECT_NO_THROW(ReadConfig(ini, *key)) << KeyName(*key);
  }
  for (const TvChannel& channel : kTvChannels) {
    EXPECT_NE(FindConfigKey("TV", channel.key), nullptr) << channel.key;
  }
  EXPECT_EQ(config::kQuitmsg.default_value, "ZelmoBot " + BotVersion());
}

// What each type makes of a value: a typed value, or the error naming the
// key (the colour keeps its classic text).
TEST_F(ConfigKeys, EachTypeReadsItsValuesAndNamesTheKeyOfABadOne) {
  struct Case {
    const ConfigKey& key;
    std::string line;
    ConfigValue value;
    std::string error;
  };
  using namespace config;
  const std::vector<Case> cases = {
      {kNick, "Nick=  \"Zelmo\" ", std::string("Zelmo"), ""},
      {kPort, "Port=0x1A0B", 6667, ""},
      {kPort, "Port=many", 6667, ""},
      {kPort, "Port=99999", 0, "[Me] Port: '99999' is not a port (1 to 65535)"},
      {kPort, "Port=0", 0, "[Me] Port: '0' is not a port (1 to 65535)"},
      {kKickOnColors, "KickOnColors=0", false, ""},
      {kKickOnColors, "KickOnColors=no", true, ""},
      {kAutoVoice, "AutoVoice=-3", true, ""},
      {kMaxLines, "MaxLines=", 100000, ""},
      {kMaxLines, "MaxLines= $10", 16, ""},
      {kMaxLines, "MaxLines=-5", 0, "[Display] MaxLines: '-5' is not a line count (0 or more)"},
      {kSendInterval, "SendInterval=1s", 0,
       "[Me] SendInterval: '1s' is not a number of milliseconds (0 or more)"},
      {kLoginBlockSeconds, "LoginBlockSeconds=0", 0,
       "[General] LoginBlockSeconds: '0' is not a number of seconds (1 or more)"},
      {kTls, "TLS=On", true, ""},
      {kTls, "TLS=maybe", false,
       "[Me] TLS: 'maybe' is not a switch (1/0, yes/no, true/false, on/off)"},
      {kNormalColor, "Normal Text Color=$0000FF", clRed, ""},
      {kNormalColor, "Normal Text Color=clRedd", 0, "'clRedd' is not a valid integer value"},
      {kReconnect, "Reconnect=ALWAYS", std::string("always"), ""},
      {kReconnect, "Reconnect=", std::string(),
       "[Me] Reconnect: '' is not a reconnection mode (once or always)"},
      {kSaslMechanism, "SASLMechanism=external", std::string("EXTERNAL"), ""},
      {kSaslMechanism, "SASLMechanism=SCRAM", std::string(),
       "[Me] SASLMechanism: 'SCRAM' is not a SASL mechanism (PLAIN or EXTERNAL)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    With(std::string(c.key.section), c.line);
    if (c.error.empty()) {
      EXPECT_EQ(ReadConfig(ini, c.key), c.value);
      continue;
    }
    try {
      ReadConfig(ini, c.key);
      ADD_FAILURE() << "no error";
    } catch (const EConfigError& error) {
      EXPECT_EQ(error.Message(), c.error);
      EXPECT_EQ(&error.Key(), &c.key);
      EXPECT_EQ(ConfigValueProblem(ini, c.key), error.Described());
    }
  }
  // The port's default follows TLS; a check tells of a number that is none.
  With("Me", "Port=");
  EXPECT_EQ(ConfigNumber(ini, kPort, kTlsPort), 6697);
  EXPECT_EQ(ConfigValueProblem(ini, kPort), std::nullopt);
  With("General", "KickOnColors=no");
  EXPECT_EQ(ConfigValueProblem(ini, kKickOnColors),
            "[General] KickOnColors: 'no' is not a number, so the default applies");
}

TEST_F(ConfigKeys, UnknownNamesAreToldWithTheNearestKnownOne) {
  dir.Write("Config.ini",
            "Nick=early\n"
            "[me]\nNikc=x\nnick=y\nNICK=z\nColour=red\n"
            "[General]\nPort=1\n"
            "[Mee]\nNick=a\nPort=2\n"
            "[Lookup]\n[Extra]\n[ME]\n");
  std::vector<std::pair<int, std::string>> notes;
  for (const ConfigNote& note : UnknownConfigNames(ini)) notes.emplace_back(*note.line, note.text);
  EXPECT_EQ(notes, (std::vector<std::pair<int, std::string>>{
                       {1, "Key Nick stands before any section and is not read"},
                       {3, "Unknown key Nikc in [Me]; did you mean Nick?"},
                       {5, "Key NICK appears again in [me]: only its first value is read"},
                       {6, "Unknown key Colour in [Me]"},
                       {8, "Unknown key Port in [General]; did you mean [Me] Port?"},
                       {9, "Unknown section [Mee]; did you mean [Me]?"},
                       {12, "Unknown section [Lookup]; did you mean [Lookups]?"},
                       {13, "Unknown section [Extra]"},
                       {14, "Section [ME] appears again: only its first keys are read"}}));
}

}  // namespace
}  // namespace zelmo
