#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/bot_process.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::BotProcess;
using testing::ProcessOptions;
using testing::TempDir;
namespace fs = std::filesystem;

constexpr auto kPatience = std::chrono::seconds(10);

// A copy of the program in a folder of the test's: bin/ as an installed
// program has it, or another folder name.
class CopiedProgram {
 public:
  explicit CopiedProgram(const std::string& folder = "bin") : folder_(root.File(folder) + "/") {
    fs::create_directories(folder_);
    fs::copy_file(testing::BotBinary(), Program());
    fs::create_directories(root.File("home"));
  }
  std::string Folder() const { return folder_; }
  std::string Program() const { return folder_ + "zelmobot"; }

  // The program, headless and without standard input, its home folder in
  // the test's folder and XDG_CONFIG_HOME as given (unset when empty).
  ProcessOptions Headless(const std::vector<std::string>& args = {},
                          const std::string& config_home = "") const {
    ProcessOptions options;
    options.program = Program();
    options.args = {"--headless"};
    options.args.insert(options.args.end(), args.begin(), args.end());
    options.drop_env = {"NO_COLOR", "ZELMOBOT_*", "XDG_CONFIG_HOME"};
    options.add_env = {"HOME=" + root.File("home"), "NO_COLOR=1"};
    if (!config_home.empty()) options.add_env.push_back("XDG_CONFIG_HOME=" + config_home);
    options.with_input = false;
    return options;
  }

  TempDir root;

 private:
  std::string folder_;
};

// The folder the opening lines name, once they are shown.
std::string ShownDataFolder(BotProcess& bot) {
  const std::string head = "Data folder: ";
  bot.Await(
      [&](const testing::ProcessOutput& output) {
        return output.out.find(head) != std::string::npos;
      },
      kPatience);
  for (const std::string& text : bot.DisplayTexts()) {
    if (text.starts_with(head)) return text.substr(head.size());
  }
  return "(no data folder shown) " + bot.DisplayOutput() + bot.ErrorOutput();
}

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

void EndsCleanly(BotProcess& bot) {
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(kPatience), 0) << bot.ErrorOutput();
}

TEST(DataFolder, AnInstalledProgramKeepsItsDataInTheUsersConfigurationFolder) {
  CopiedProgram installed;
  {
    BotProcess bot(installed.Headless());
    const std::string expected = installed.root.File("home/.config/zelmobot/");
    EXPECT_EQ(ShownDataFolder(bot), expected);
    // The opening lines stay as they were, the folder comes after them
    // (after the load's line that no security password is set).
    auto texts = bot.DisplayTexts();
    ASSERT_GE(texts.size(), 5u);
    EXPECT_EQ(texts[3], "Type \"Connect\" to connect to the current IRC server");
    EXPECT_EQ(ModeOf(expected), 0700u);
    EndsCleanly(bot);
  }
  EXPECT_TRUE(fs::is_empty(installed.root.File("home/.config/zelmobot")));
  EXPECT_FALSE(fs::exists(installed.Folder() + "Config.ini"));

  const std::string xdg = installed.root.File("xdg");
  BotProcess bot(installed.Headless({}, xdg));
  EXPECT_EQ(ShownDataFolder(bot), xdg + "/zelmobot/");
  EXPECT_EQ(ModeOf(xdg), 0700u);
  EndsCleanly(bot);

  // A relative XDG_CONFIG_HOME is no configuration folder.
  BotProcess relative(installed.Headless({}, "relative"));
  EXPECT_EQ(ShownDataFolder(relative), installed.root.File("home/.config/zelmobot/"));
  EndsCleanly(relative);
}

TEST(DataFolder, AConfigBesideTheProgramOrDataDirWins) {
  CopiedProgram installed;
  std::ofstream(installed.Folder() + "Config.ini") << "[Me]\nNick=Beside\n";
  {
    BotProcess bot(installed.Headless());
    EXPECT_EQ(ShownDataFolder(bot), installed.Folder());
    EndsCleanly(bot);
  }
  TempDir data;
  BotProcess bot(installed.Headless({"--data-dir", data.Path()}));
  EXPECT_EQ(ShownDataFolder(bot), data.Path());
  EndsCleanly(bot);
  EXPECT_FALSE(fs::exists(installed.root.File("home/.config")));
}

TEST(DataFolder, AProgramFolderThatCannotBeWrittenIsNoDataFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes any folder; the bin/ case covers root";
  CopiedProgram program("readonly");
  fs::permissions(program.Folder(), fs::perms::owner_read | fs::perms::owner_exec);
  BotProcess bot(program.Headless());
  EXPECT_EQ(ShownDataFolder(bot), program.root.File("home/.config/zelmobot/"));
  EndsCleanly(bot);
  fs::permissions(program.Folder(), fs::perms::owner_all);
}

TEST(DataFolder, AFolderThatCannotBeMadeIsAnErrorBeforeStart) {
  CopiedProgram installed;
  std::ofstream(installed.root.File("plain")) << "not a folder";
  BotProcess bot(installed.Headless({}, installed.root.File("plain")));
  EXPECT_EQ(bot.WaitExit(kPatience), 2);
  EXPECT_EQ(bot.ErrorOutput(), "ZelmoBot: cannot make the data folder '" +
                                   installed.root.File("plain/zelmobot/") + "': Not a directory\n");
  EXPECT_EQ(bot.DisplayOutput(), "");
}

TEST(DataFolder, AnInstalledProgramLoadsTheWindowModuleFromLibZelmobot) {
  const std::string module = ZELMO_BINARY_DIR "/libzelmobot_qt.so";
  if (!fs::exists(module)) GTEST_SKIP() << "built without the window";
  CopiedProgram installed;
  const std::string installed_module = installed.root.File("lib/zelmobot/libzelmobot_qt.so");
  fs::create_directories(installed.root.File("lib/zelmobot"));
  fs::copy_file(module, installed_module);
  TempDir data;
  ProcessOptions options = installed.Headless({"--data-dir", data.Path()});
  options.args.erase(options.args.begin());  // the window, not --headless
  options.drop_env.push_back("WAYLAND_DISPLAY");
  options.add_env.push_back("QT_QPA_PLATFORM=offscreen");
  BotProcess bot(options);
  bool mapped = false;
  for (int i = 0; i < 100 && !mapped; ++i) {
    std::ifstream maps("/proc/" + std::to_string(bot.Pid()) + "/maps");
    std::string all((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    mapped = all.find(installed_module) != std::string::npos;
    if (!mapped) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(mapped) << bot.ErrorOutput();
  // The window catches SIGTERM once it runs, a moment after the module is
  // loaded.
  EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(1000)), std::nullopt) << bot.ErrorOutput();
  EndsCleanly(bot);
  EXPECT_EQ(bot.ErrorOutput().find("running headless"), std::string::npos) << bot.ErrorOutput();
}

}  // namespace
}  // namespace zelmo
