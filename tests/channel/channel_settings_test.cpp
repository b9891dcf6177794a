#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/channel_settings.h"
#include "shell/base/config_names.h"
#include "shell/base/config_read.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

struct SettingsCase {
  const char* config;
  const char* channel;
  bool auto_voice;
  bool kick_on_colors;
  bool spares_exempt;
  int exempt_level;
  bool sticky;
  BanSeconds ban_time;
};

TEST(ChannelSettings, ChannelSectionOverProtectOverGeneral) {
  const std::vector<SettingsCase> cases = {
      // Today's file: [General] alone, nothing spared, no defence.
      {"[General]\nAutoVoice=0\n", "#a", false, true, false, 1, false, 3600},
      {"[Protect]\nBanTime=30m\nStickyBans=yes\n", "#a", true, true, true, 1, true, 1800},
      {"[Protect]\nBanTime=0\n[Channel #Room]\nKickOnColors=0\nExemptLevel=3\n", "#room", true,
       false, true, 3, false, 0},
      {"[General]\nKickOnColors=0\n[Channel #room]\nKickOnColors=1\n", "#other", true, false, false,
       1, false, 3600},
      {"[General]\nAutoVoice=0\n[channel #room]\nBanTime=2h\n", "#ROOM", false, true, true, 1,
       false, 7200},
  };
  for (const SettingsCase& row : cases) {
    TempDir dir;
    dir.Write("Config.ini", row.config);
    const ChannelSettings got =
        ProtectSettings::Read(TIniFile(dir.File("Config.ini"))).For(row.channel);
    SCOPED_TRACE(row.config);
    EXPECT_EQ(got.auto_voice, row.auto_voice);
    EXPECT_EQ(got.kick_on_colors, row.kick_on_colors);
    EXPECT_EQ(got.spares_exempt, row.spares_exempt);
    EXPECT_EQ(got.exempt_level, row.exempt_level);
    EXPECT_EQ(got.sticky_bans, row.sticky);
    EXPECT_EQ(got.ban_time, row.ban_time);
  }
}

// A nick change visits the channels only where some count of users is on.
TEST(ChannelSettings, SaysWhetherAnyChannelCountsItsUsers) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"[General]\nAutoVoice=0\n[Protect]\nBanTime=1h\nJoinFlood=5\n", false},
      {"[Channel #a]\nNickFlood=2\nNickSeconds=30\n", true},
      {"[Channel #a]\nCycleJoins=3\n", true},
      {"[Protect]\nKickOnCtcp=on\n", true},
      {"[Protect]\nFloodLines=5\n[Channel #a]\nFloodLines=0\n", true},
  };
  for (const auto& [config, guards] : cases) {
    TempDir dir;
    dir.Write("Config.ini", config);
    const ProtectSettings settings = ProtectSettings::Read(TIniFile(dir.File("Config.ini")));
    EXPECT_EQ(settings.GuardsAnyone(), guards) << config;
  }
  TempDir dir;
  dir.Write("Config.ini", "[Channel #a]\nNickFlood=2\nNickSeconds=30\nKickOnCtcp=1\n");
  const ChannelSettings got = ProtectSettings::Read(TIniFile(dir.File("Config.ini"))).For("#a");
  EXPECT_EQ(got.nick_flood, 2);
  EXPECT_EQ(got.nick_seconds, 30);
  EXPECT_TRUE(got.kick_on_ctcp);
}

TEST(ChannelSettings, AValueItCannotUseNamesTheSectionItIsIn) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"[Channel #a]\nBanTime=soon\n", "[Channel #a] BanTime: 'soon' is not a duration"},
      {"[Protect]\nExemptLevel=5\n", "[Protect] ExemptLevel: '5' is not a channel level (1 to 4)"},
      {"[Channel #a]\nStickyBans=maybe\n", "[Channel #a] StickyBans: 'maybe' is not a switch"},
  };
  for (const auto& [config, text] : cases) {
    TempDir dir;
    dir.Write("Config.ini", config);
    try {
      ProtectSettings::Read(TIniFile(dir.File("Config.ini")));
      ADD_FAILURE() << config;
    } catch (const EConfigError& error) {
      EXPECT_EQ(std::string(error.what()).substr(0, std::string(text).size()), text);
    }
  }
}

TEST(ChannelSettings, TheNameCheckKnowsChannelSections) {
  TempDir dir;
  dir.Write("Config.ini",
            "[Channel #a]\nAutoVoice=0\nBanTme=1h\nNick=x\n[Channel]\nBanTime=1h\n[Protect]\n"
            "AutoVoice=1\n");
  std::vector<std::string> notes;
  for (const ConfigNote& note : UnknownConfigNames(TIniFile(dir.File("Config.ini")))) {
    notes.push_back(note.text);
  }
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "Unknown key BanTme in [Channel #a]; did you mean BanTime?",
                       "Unknown key Nick in [Channel #a]; did you mean [Me] Nick?",
                       "Unknown section [Channel]",
                       "Unknown key AutoVoice in [Protect]; did you mean [General] AutoVoice?"}));
}

}  // namespace
}  // namespace zelmo
