#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "shell/base/config_read.h"
#include "shell/config_check.h"
#include "shell/script_settings.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

TEST(ScriptSettings, MemorySizesAreBytesOrKOrMWithinTheRange) {
  struct Case {
    const char* text;
    std::optional<std::size_t> bytes;  // none: refused
  };
  const Case cases[] = {
      {"16M", std::size_t{16} << 20},
      {"512k", std::size_t{512} << 10},
      {"65536", 65536},
      {" 1024M ", std::size_t{1} << 30},
      {"", std::size_t{16} << 20},
      {"64K", 65536},
      {"63K", std::nullopt},
      {"1025M", std::nullopt},
      {"16G", std::nullopt},
      {"M", std::nullopt},
      {"-1M", std::nullopt},
      {"99999999999M", std::nullopt},
  };
  for (const Case& test : cases) {
    if (test.bytes) {
      EXPECT_EQ(ScriptMemoryBytes(test.text), *test.bytes) << test.text;
    } else {
      EXPECT_THROW(ScriptMemoryBytes(test.text), EConfigError) << test.text;
    }
  }
}

TEST(ScriptSettings, TheFolderIsFoundFromTheDataFolderAndTheListIsSplit) {
  TempDir dir;
  dir.Write("Config.ini",
            "[Scripts]\nFolder=lua/\nDisabled= a.lua , ,b.lua\nMaxSteps=5000\nQueueLines=3\n");
  const ScriptConfig config = ReadScriptConfig(TIniFile(dir.File("Config.ini")), dir.Path());
  EXPECT_EQ(config.engine.folder, dir.Path() + "lua");
  EXPECT_EQ(config.engine.disabled, (std::vector<std::string>{"a.lua", "b.lua"}));
  EXPECT_EQ(config.engine.max_steps, 5000);
  EXPECT_EQ(config.engine.max_memory, std::size_t{16} << 20);
  EXPECT_EQ(config.queue_lines, 3u);
  dir.Write("Config.ini", "[Scripts]\nFolder=/srv/bot/lua\n");
  EXPECT_EQ(ReadScriptConfig(TIniFile(dir.File("Config.ini")), dir.Path()).engine.folder,
            "/srv/bot/lua");
  dir.Write("Config.ini", "[Other]\nKey=1\n");
  EXPECT_EQ(ReadScriptConfig(TIniFile(dir.File("Config.ini")), dir.Path()).engine.folder, "");
}

TEST(ScriptSettings, TheCheckNamesEachBadValueWithItsLine) {
  TempDir dir;
  dir.Write("Config.ini", "[Scripts]\nFolder=lua\nMaxSteps=10\nMaxMemory=lots\nQueueLines=0\n");
  std::vector<std::string> texts;
  for (const ConfigProblem& problem : CheckConfiguration(dir.Path(), {})) {
    texts.push_back(ProblemLine(problem));
  }
  const auto has = [&](const std::string& text) {
    for (const std::string& line : texts) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(has("Config.ini:3: [Scripts] MaxSteps: '10' is not a number of steps"));
  EXPECT_TRUE(has("[Scripts] MaxMemory: 'lots' is not a memory size"));
  EXPECT_TRUE(has("Config.ini:5: [Scripts] QueueLines: '0' is not a number of lines"));
}

}  // namespace
}  // namespace zelmo
