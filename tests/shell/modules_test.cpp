#include "shell/base/modules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/bot_process.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

void Touch(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << "x";
}

// Installed, the module is in lib/zelmobot beside bin/; in the build folder
// it is beside the program, which wins when both are there. With neither,
// the path beside the program is the one a failure names.
TEST(Modules, TheModuleBesideTheProgramWinsOverTheInstalledOne) {
  TempDir root;
  const std::string bin = root.File("bin/");
  std::filesystem::create_directories(bin);
  EXPECT_EQ(ModulePath(bin, "libm.so"), bin + "libm.so");
  Touch(root.File("lib/zelmobot/libm.so"));
  EXPECT_EQ(ModulePath(bin, "libm.so"), bin + "../lib/zelmobot/libm.so");
  Touch(bin + "libm.so");
  EXPECT_EQ(ModulePath(bin, "libm.so"), bin + "libm.so");
}

TEST(Modules, AFileThatIsNoModuleOrLacksTheEntryIsRefusedSayingWhy) {
  TempDir root;
  Touch(root.File("libfake.so"));
  std::string why_not;
  EXPECT_EQ(LoadModuleEntry(root.File("libfake.so"), "entry", why_not), nullptr);
  EXPECT_NE(why_not.find("libfake.so"), std::string::npos) << why_not;

  const std::string editor =
      std::filesystem::path(testing::BotBinary()).parent_path() / "libzelmobot_edit.so";
  why_not.clear();
  EXPECT_EQ(LoadModuleEntry(editor, "no_such_entry", why_not), nullptr);
  EXPECT_EQ(why_not, editor + " has no no_such_entry");
  EXPECT_NE(LoadModuleEntry(editor, "zelmobot_edit_open", why_not), nullptr);

  // Without the program's folder a bare name is refused: the library path
  // and the current folder are no place to load code from.
  why_not.clear();
  EXPECT_EQ(LoadModuleEntry("libzelmobot_edit.so", "zelmobot_edit_open", why_not), nullptr);
  EXPECT_EQ(why_not,
            "cannot load libzelmobot_edit.so: not an absolute path (the program's folder is "
            "unknown)");
}

}  // namespace
}  // namespace zelmo
