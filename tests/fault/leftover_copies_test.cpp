#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/base/ini_file.h"
#include "support/temp_dir.h"

// A writer that dies between creating its temporary copy of an INI file and
// renaming it into place leaves the copy behind, passwords included. The
// next write removes such copies, but never one that a live writer holds.

namespace zelmo::testing {
namespace {

std::vector<std::string> Entries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LeftoverCopies, TheNextWriteRemovesCopiesThatNoWriterHolds) {
  TempDir dir;
  dir.Write("Users.ini", "[bob]\nPassword=new\n");
  dir.Write(".Users.ini.a1B2c3", "[bob]\nPassword=old\n");
  dir.Write(".Users.ini.held00", "[bob]\nPassword=being written\n");
  // Not copies of Users.ini: another file's, and names of another form.
  dir.Write(".Other.ini.d4E5f6", "x");
  dir.Write(".Users.ini.toolong", "x");
  dir.Write("Users.ini.a1B2c3", "x");
  int held = open(dir.File(".Users.ini.held00").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  TIniFile(dir.File("Users.ini")).WriteString("bob", "Hostmask", "b@h");
  close(held);

  EXPECT_EQ(Entries(dir),
            (std::vector<std::string>{".Other.ini.d4E5f6", ".Users.ini.held00",
                                      ".Users.ini.toolong", "Users.ini", "Users.ini.a1B2c3"}));
  EXPECT_EQ(dir.Read("Users.ini"), "[bob]\nPassword=new\nHostmask=b@h\n");
}

}  // namespace
}  // namespace zelmo::testing
