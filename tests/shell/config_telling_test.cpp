#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/temp_dir.h"

// The real program telling what is wrong with its configuration: the
// --check-config run and the lines at start-up and on RELOAD.

namespace zelmo {
namespace {

using testing::BotProcess;
using testing::HeadlessBot;
using testing::ProcessOptions;
using testing::TempDir;

constexpr auto kPatience = std::chrono::seconds(10);

// A typo, a port out of range and a bad colour.
const std::string kFaultyConfig =
    "[Me]\nNikc=Zelmo\nPort=99999\n[Display]\nNormal Text Color=clRedd\n";

ProcessOptions CheckConfig(const TempDir& dir) {
  ProcessOptions options;
  options.args = {"--check-config", "--data-dir", dir.Path()};
  options.with_input = false;
  return options;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos;
       begin = end + 1) {
    lines.push_back(text.substr(begin, end - begin));
  }
  return lines;
}

bool Shows(const BotProcess& bot, const std::string& text) {
  const auto texts = bot.DisplayTexts();
  return std::ranges::find(texts, text) != texts.end();
}

// Until standard error holds the text and the display the line that many
// times.
bool AwaitBoth(BotProcess& bot, const std::string& error, const std::string& line, long times) {
  return bot.Await(
      [&](const testing::ProcessOutput& output) {
        return output.err.find(error) != std::string::npos &&
               std::ranges::count(output.DisplayTexts(), line) == times;
      },
      kPatience);
}

TEST(CheckConfig, NamesEveryProblemWithItsLineAndACleanFileIsOk) {
  TempDir dir;
  dir.Write("Config.ini", kFaultyConfig);
  dir.Write("Users.ini", "[bob]\nPassword=b\nRights_General=two\n");
  BotProcess faulty(CheckConfig(dir));
  EXPECT_EQ(faulty.WaitExit(kPatience), 1);
  EXPECT_EQ(Lines(faulty.DisplayOutput()),
            (std::vector<std::string>{
                "Config.ini:2: Unknown key Nikc in [Me]; did you mean Nick?",
                "Config.ini:3: [Me] Port: '99999' is not a port (1 to 65535)",
                "Config.ini:5: [Display] Normal Text Color: 'clRedd' is not a valid integer value",
                "Users.ini:3: [bob] Rights_General: 'two' is not a number: every command that "
                "looks it up ends without an answer"}));
  EXPECT_EQ(faulty.ErrorOutput(), "");

  dir.Write("Config.ini", "[Me]\nNick=Zelmo\nPort=6697\n[Display]\nNormal Text Color=clRed\n");
  dir.Write("Users.ini", "[bob]\nPassword=b\nRights_General=2\n");
  BotProcess clean(CheckConfig(dir));
  EXPECT_EQ(clean.WaitExit(kPatience), 0);
  EXPECT_EQ(clean.DisplayOutput(), "Config.ini and Users.ini: OK\n");
}

// The load stops at the first value it cannot use; the lines before the
// error box name the unknown key, the bad key and the folder that cannot
// be written. A RELOAD says the same of what the file holds then.
TEST(ConfigAtStartUp, TellsATypoABadValueAndAnUnwritableFolder) {
  TempDir dir;
  dir.Write("Config.ini", kFaultyConfig);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0500), 0);
  BotProcess bot(HeadlessBot(dir.Path()));
  const std::string folder_line = "The data folder " + dir.Path() +
                                  " cannot be written: logins, user changes and the nick "
                                  "write-back will fail";
  ASSERT_TRUE(AwaitBoth(bot, "ZelmoBot: [Me] Port: '99999' is not a port (1 to 65535)",
                        "Type \"Connect\" to connect to the current IRC server", 1))
      << bot.DisplayOutput() << bot.ErrorOutput();
  const std::vector<std::string> texts = bot.DisplayTexts();
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 3),
            (std::vector<std::string>{"Unknown key Nikc in [Me]; did you mean Nick?",
                                      "Config.ini [Me] Port: '99999' is not a port (1 to 65535)",
                                      folder_line}));

  dir.Write("Config.ini", "[Display]\nNormal Text Color=clRedd\nMaxLines=-5\n");
  bot.Command("reload");
  EXPECT_TRUE(AwaitBoth(bot, "ZelmoBot: 'clRedd' is not a valid integer value.\n", folder_line, 2))
      << bot.DisplayOutput() << bot.ErrorOutput();
  EXPECT_TRUE(
      Shows(bot, "Config.ini [Display] Normal Text Color: 'clRedd' is not a valid integer value"));
  chmod(dir.Path().c_str(), 0700);

  dir.Write("Config.ini", "[Display]\nMaxLines=-5\n");
  bot.Command("reload");
  EXPECT_TRUE(bot.AwaitDisplay(
      "Config.ini [Display] MaxLines: '-5' is not a line count (0 or more)", kPatience));
  EXPECT_FALSE(Shows(bot, "(Re)Loaded Config file..."));
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
}

}  // namespace
}  // namespace zelmo
