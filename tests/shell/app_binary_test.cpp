#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/loopback_socket.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::BotProcess;
using testing::ProcessOptions;
using testing::ProcessOutput;
using testing::RefusingPort;
using testing::TempDir;

constexpr auto kPatience = std::chrono::seconds(10);

// The program with these arguments, in the environment of this test less
// NO_COLOR and the dropped variables, plus the added ones.
ProcessOptions App(const std::vector<std::string>& args, const std::vector<std::string>& drop = {},
                   const std::vector<std::string>& add = {}, bool with_input = true) {
  ProcessOptions options;
  options.args = args;
  options.drop_env = drop;
  options.drop_env.push_back("NO_COLOR");
  options.add_env = add;
  options.with_input = with_input;
  return options;
}

// Waits until the display shows at least that many lines and, when asked,
// until standard error ends with a whole line.
bool AwaitLines(BotProcess& bot, std::size_t lines, bool error_line = false) {
  return bot.Await(
      [&](const ProcessOutput& output) {
        return output.DisplayTexts().size() >= lines && (!error_line || output.err.ends_with("\n"));
      },
      kPatience);
}

bool AwaitError(BotProcess& bot, const std::string& text) {
  return bot.Await(
      [&](const ProcessOutput& output) { return output.err.find(text) != std::string::npos; },
      kPatience);
}

std::string WithoutTrailingSlash(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool FolderIsEmpty(const TempDir& dir) {
  return std::filesystem::is_empty(std::filesystem::path(dir.Path()));
}

// Without a Config.ini there is no security password either.
const std::vector<std::string> kOpeningTexts = {
    "(Re)Loaded Config file...", "No security password is set: generalowner and reload are off",
    "Opening ZelmoBot v0.5..", "Type \"Connect\" to connect to the current IRC server"};

std::vector<std::string> FirstTexts(const BotProcess& bot, std::size_t count) {
  auto texts = bot.DisplayTexts();
  texts.resize(std::min(count, texts.size()));
  return texts;
}

TEST(AppOptions, VersionPrintsTheVersion) {
  BotProcess bot(App({"--version"}));
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
  EXPECT_EQ(bot.DisplayOutput(), "ZelmoBot v0.5\n");
  EXPECT_EQ(bot.ErrorOutput(), "");
}

TEST(AppOptions, HelpPrintsUsageOnStandardOutput) {
  BotProcess bot(App({"--headless", "--help"}));
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
  EXPECT_NE(bot.DisplayOutput().find("Usage: zelmobot"), std::string::npos) << bot.DisplayOutput();
  EXPECT_NE(bot.DisplayOutput().find("--data-dir DIR"), std::string::npos);
  EXPECT_NE(bot.DisplayOutput().find("--headless"), std::string::npos);
  EXPECT_EQ(bot.ErrorOutput(), "");
}

TEST(AppOptions, UnknownOptionGivesUsageOnStandardErrorAndExitCode2) {
  for (const char* bad : {"--bogus", "-x", "stray"}) {
    BotProcess bot(App({"--headless", bad}));
    EXPECT_EQ(bot.WaitExit(kPatience), 2) << bad;
    EXPECT_EQ(bot.DisplayOutput(), "");
    EXPECT_NE(bot.ErrorOutput().find(bad), std::string::npos) << bot.ErrorOutput();
    EXPECT_NE(bot.ErrorOutput().find("Usage: zelmobot"), std::string::npos) << bot.ErrorOutput();
  }
}

TEST(AppOptions, DataDirMustBeAnExistingFolder) {
  TempDir dir;
  dir.Write("plain-file", "x");
  for (const std::string& folder : {dir.File("missing"), dir.File("plain-file")}) {
    BotProcess bot(App({"--headless", "--data-dir", folder}));
    EXPECT_EQ(bot.WaitExit(kPatience), 2) << folder;
    EXPECT_EQ(bot.ErrorOutput(),
              "ZelmoBot: the data folder '" + folder + "' does not exist or is not a folder\n");
    EXPECT_EQ(bot.DisplayOutput(), "");
  }
  BotProcess no_value(App({"--headless", "--data-dir"}));
  EXPECT_EQ(no_value.WaitExit(kPatience), 2);
  EXPECT_NE(no_value.ErrorOutput().find("--data-dir needs a folder"), std::string::npos)
      << no_value.ErrorOutput();
}

TEST(AppHeadless, StartsInAnEmptyFolderWithTheOpeningLinesAndWritesNoFile) {
  TempDir dir;
  BotProcess bot(App({"--headless", "--data-dir", WithoutTrailingSlash(dir.Path())}));
  ASSERT_TRUE(AwaitLines(bot, 4)) << bot.DisplayOutput() << bot.ErrorOutput();
  EXPECT_EQ(FirstTexts(bot, 4), kOpeningTexts);
  EXPECT_EQ(bot.DisplayOutput().substr(0, 1), "[");
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
  EXPECT_EQ(bot.ErrorOutput(), "");
  EXPECT_TRUE(FolderIsEmpty(dir));
}

TEST(AppHeadless, ABogusColourIsShownAndTheBotKeepsRunning) {
  TempDir dir;
  dir.Write("Config.ini", "[Display]\nNormal Text Color=bogus\n");
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}));
  const std::string expected = "ZelmoBot: 'bogus' is not a valid integer value.\n";
  ASSERT_TRUE(AwaitError(bot, expected)) << bot.ErrorOutput();
  EXPECT_EQ(bot.ErrorOutput(), expected);
  // A shutdown that ends with status 0 shows the bot was still running.
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
  // The load stopped at the bad key, so it did not report itself done.
  for (const std::string& text : bot.DisplayTexts()) EXPECT_NE(text, kOpeningTexts[0]);
}

TEST(AppHeadless, EndOfInputKeepsTheBotRunningUntilSigterm) {
  TempDir dir;
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}));
  ASSERT_TRUE(AwaitLines(bot, 4));
  bot.CloseInput();
  // A bot that took the end of input for EXIT would be gone by now.
  EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(500)), std::nullopt);
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
}

TEST(AppHeadless, SigintShutsDownLikeSigtermAndASecondOneNeverHangs) {
  TempDir dir;
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}));
  ASSERT_TRUE(AwaitLines(bot, 4));
  bot.Signal(SIGINT);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);

  BotProcess twice(App({"--headless", "--data-dir", dir.Path()}));
  ASSERT_TRUE(AwaitLines(twice, 3));
  twice.Signal(SIGTERM);
  twice.Signal(SIGINT);
  EXPECT_EQ(twice.WaitExit(kPatience), 0);
}

TEST(AppHeadless, StartedWithoutStandardInputItRunsUntilSigterm) {
  TempDir dir;
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}, {}, {}, false));
  ASSERT_TRUE(AwaitLines(bot, 4)) << bot.ErrorOutput();
  EXPECT_EQ(FirstTexts(bot, 4), kOpeningTexts);
  EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(300)), std::nullopt);
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
  EXPECT_EQ(bot.ErrorOutput(), "");
}

TEST(AppHeadless, ConsoleExitAsksAndEndsOnOk) {
  TempDir dir;
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}));
  ASSERT_TRUE(AwaitLines(bot, 4));
  bot.Command("exit\nno\ncomment;still here");
  ASSERT_TRUE(AwaitLines(bot, 6)) << bot.DisplayOutput() << bot.ErrorOutput();
  EXPECT_EQ(bot.DisplayTexts()[5], "Comment by user: still here");
  // Standard error is collected apart from standard output: wait for it too.
  EXPECT_TRUE(AwaitError(bot, "[ok/cancel]")) << bot.ErrorOutput();
  bot.Command("EXIT\nyes");
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
  EXPECT_TRUE(FolderIsEmpty(dir));
}

TEST(AppHeadless, AnErrorOfTwoLinesIsShownAsTwoLines) {
  TempDir dir;
  RefusingPort nobody;
  dir.Write("Config.ini", testing::LoopbackConfig(nobody.Port()));
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}));
  ASSERT_TRUE(AwaitLines(bot, 4));
  bot.Command("connect");
  const std::string expected = "ZelmoBot: Socket Error # 10061\n          Connection refused.\n";
  ASSERT_TRUE(AwaitError(bot, expected)) << bot.ErrorOutput();
  EXPECT_EQ(bot.ErrorOutput(), expected);
}

// 4096 characters of UTF-8 are more than 4096 bytes; the cut falls between
// two characters, so the line stays UTF-8 and shows as typed.
TEST(AppHeadless, ALongConsoleLineIsCutAfter4096Characters) {
  TempDir dir;
  BotProcess bot(App({"--headless", "--data-dir", dir.Path()}));
  ASSERT_TRUE(AwaitLines(bot, 4));
  std::string umlauts;
  for (int i = 0; i < 5000; ++i) umlauts += "\xC3\xA4";
  bot.Command("comment;x" + umlauts);
  ASSERT_TRUE(AwaitLines(bot, 6)) << bot.DisplayOutput();
  EXPECT_EQ(bot.DisplayTexts()[5], "Comment by user: x" + umlauts.substr(0, 2 * (4096 - 9)));
}

TEST(AppWindow, WithoutADisplayTheBotRunsHeadless) {
  TempDir dir;
  BotProcess bot(App({"--data-dir", dir.Path()}, {"DISPLAY", "WAYLAND_DISPLAY"}));
  ASSERT_TRUE(AwaitLines(bot, 4, true)) << bot.ErrorOutput();
  EXPECT_EQ(FirstTexts(bot, 4), kOpeningTexts);
  EXPECT_EQ(bot.ErrorOutput(), "ZelmoBot: no display found, running headless\n");
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0);
}

// The toolkit would abort on a display it cannot reach; a display number
// that names no port is no display either, never an abort of its own.
TEST(AppWindow, ADisplayThatDoesNotAnswerCountsAsNone) {
  for (const char* display : {":97", "127.0.0.1:99999999999", "127.0.0.1:59536", ":-1"}) {
    TempDir dir;
    BotProcess bot(App({"--data-dir", dir.Path()}, {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
                       {std::string("DISPLAY=") + display}));
    ASSERT_TRUE(AwaitLines(bot, 4, true)) << display << bot.ErrorOutput();
    EXPECT_EQ(bot.ErrorOutput(), "ZelmoBot: no display found, running headless\n") << display;
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.WaitExit(kPatience), 0) << display;
  }
}

TEST(AppWindow, WithADisplayTheWindowModuleRunsOrTheBotFallsBack) {
  TempDir dir;
  bool module_built = std::filesystem::exists(ZELMO_BINARY_DIR "/libzelmobot_qt.so");
  BotProcess bot(App({"--data-dir", dir.Path()}, {"WAYLAND_DISPLAY"},
                     {"DISPLAY=:99", "QT_QPA_PLATFORM=offscreen"}));
  if (module_built) {
    // The display lines go to the window; the process only has to run and
    // shut down cleanly on a signal.
    EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(1000)), std::nullopt) << bot.ErrorOutput();
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.WaitExit(kPatience), 0) << bot.ErrorOutput();
    EXPECT_EQ(bot.ErrorOutput().find("running headless"), std::string::npos) << bot.ErrorOutput();
    EXPECT_EQ(bot.DisplayOutput(), "");
  } else {
    ASSERT_TRUE(AwaitLines(bot, 4, true)) << bot.ErrorOutput();
    EXPECT_EQ(FirstTexts(bot, 4), kOpeningTexts);
    EXPECT_NE(bot.ErrorOutput().find("ZelmoBot: cannot open the window ("), std::string::npos)
        << bot.ErrorOutput();
    EXPECT_NE(bot.ErrorOutput().find("), running headless\n"), std::string::npos)
        << bot.ErrorOutput();
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.WaitExit(kPatience), 0);
  }
}

}  // namespace
}  // namespace zelmo
