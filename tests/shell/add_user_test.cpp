#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/base/ini_file.h"
#include "support/bot_process.h"
#include "support/temp_dir.h"
#include "support/terminal_process.h"
#include "users/password_hash.h"

namespace zelmo {
namespace {

using testing::BotProcess;
using testing::ProcessOptions;
using testing::TempDir;
using testing::TerminalProcess;

constexpr auto kPatience = std::chrono::seconds(10);

struct Outcome {
  std::optional<int> status;
  std::string out;
  std::string err;
};

// zelmobot --add-user with the arguments, the password line as standard
// input (no line at all when nothing is given). A display is offered, so a
// program that started the bot or its window would not end.
Outcome AddUser(const std::vector<std::string>& args, const std::optional<std::string>& password) {
  ProcessOptions options;
  options.args = args;
  options.add_env = {"QT_QPA_PLATFORM=offscreen", "NO_COLOR=1"};
  BotProcess bot(options);
  try {
    if (password) bot.Command(*password);
  } catch (const std::runtime_error&) {
    // Refused before it read its input, and gone already.
  }
  bot.CloseInput();
  auto status = bot.WaitExit(kPatience);
  return {status, bot.DisplayOutput(), bot.ErrorOutput()};
}

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

std::vector<std::string> FilesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AddUser, WritesUsersForTheOwnerAloneAndOwnersWithRights2) {
  TempDir dir;
  Outcome alice = AddUser({"--add-user", "alice", "--data-dir", dir.Path()}, " two words ");
  ASSERT_EQ(alice.status, 0) << alice.err;
  EXPECT_EQ(alice.out, "ZelmoBot: added the user alice to " + dir.File("Users.ini") + "\n");
  EXPECT_EQ(alice.err, "");
  EXPECT_EQ(ModeOf(dir.File("Users.ini")), 0600u);

  Outcome bob = AddUser({"--owner", "--add-user=Bob", "--data-dir", dir.Path()}, "pw\r");
  ASSERT_EQ(bob.status, 0) << bob.err;
  EXPECT_EQ(bob.out, "ZelmoBot: added the owner Bob to " + dir.File("Users.ini") + "\n");

  TIniFile users(dir.File("Users.ini"));
  // Blanks around a password are kept; a carriage return before the line
  // feed is the line's end, not the password's.
  EXPECT_EQ(users.ReadString("alice", "Password", "-1"), " two words ");
  EXPECT_EQ(users.ReadString("alice", "Rights_General", "-1"), "0");
  EXPECT_EQ(users.ReadString("bob", "Password", "-1"), "pw");
  EXPECT_EQ(users.ReadString("bob", "Rights_General", "-1"), "2");
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"Users.ini"});
}

// The running bot warns of such a file at every start; the password that
// goes in now is as exposed.
TEST(AddUser, AUserFileThatOthersMayReadIsWrittenWithAWarning) {
  TempDir dir;
  dir.Write("Users.ini", "[alice]\nPassword=a\n");
  ASSERT_EQ(chmod(dir.File("Users.ini").c_str(), 0644), 0);
  Outcome added = AddUser({"--add-user", "bob", "--data-dir", dir.Path()}, "pw");
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.err, "ZelmoBot: Users.ini is readable by other users: chmod 600 it\n");
  EXPECT_EQ(TIniFile(dir.File("Users.ini")).ReadString("bob", "Password", "-1"), "pw");
}

TEST(AddUser, TheUserFileAndPasswordFormAreTheOnesConfigNames) {
  TempDir dir;
  dir.Write("Config.ini", "[general]\nUSERSFILE=Staff.ini\nHashPasswords=1\n");
  Outcome added = AddUser({"--add-user", "carol", "--owner", "--data-dir", dir.Path()}, "Pw9");
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_FALSE(dir.Exists("Users.ini"));
  TIniFile staff(dir.File("Staff.ini"));
  EXPECT_EQ(staff.ReadString("carol", "Rights_General", "-1"), "2");
  const std::string stored = staff.ReadString("carol", "Password", "-1");
  EXPECT_TRUE(IsHashedPassword(stored)) << stored;
  EXPECT_TRUE(PasswordMatches(stored, "pW9"));
}

TEST(AddUser, RefusalsSayWhyExitWith1AndLeaveTheFileAsItWas) {
  TempDir dir;
  const std::string users = "; hand-written\n[Alice]\nPassword=old\nRights_General=2\n";
  dir.Write("Users.ini", users);
  const std::string path = dir.File("Users.ini");
  struct Case {
    std::string name;
    std::optional<std::string> password;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"aLICE", "new", "ZelmoBot: the user aLICE exists already in " + path + "\n"},
      {"bob", "", "ZelmoBot: the password is empty\n"},
      {"bob", std::nullopt, "ZelmoBot: the password is empty\n"},
      {"bob", "a\rb",
       "ZelmoBot: the password cannot be stored in the user file (it holds a "
       "line break or NUL)\n"},
  };
  for (const Case& c : cases) {
    Outcome refused = AddUser({"--add-user", c.name, "--data-dir", dir.Path()}, c.password);
    EXPECT_EQ(refused.status, 1) << c.name;
    EXPECT_EQ(refused.err, c.error);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(dir.Read("Users.ini"), users);
  }
  for (const std::string name : {"x]y", " lead", "trail ", "", "Address", "aDDRESS"}) {
    Outcome refused = AddUser({"--add-user", name, "--data-dir", dir.Path()}, "pw");
    EXPECT_EQ(refused.status, 1) << name;
    EXPECT_NE(refused.err.find("ZelmoBot: the user name '" + name + "' cannot be stored"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(dir.Read("Users.ini"), users);
  }
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"Users.ini"});
}

TEST(AddUser, OwnerGoesOnlyWithAddUser) {
  TempDir dir;
  Outcome wrong = AddUser({"--owner", "--headless", "--data-dir", dir.Path()}, std::nullopt);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("--owner goes only with --add-user"), std::string::npos) << wrong.err;
  EXPECT_TRUE(FilesIn(dir).empty());
}

TEST(AddUser, OnATerminalThePasswordIsTypedTwiceWithoutEcho) {
  TempDir dir;
  {
    TerminalProcess differ({"--add-user", "dave", "--data-dir", dir.Path()});
    ASSERT_TRUE(differ.AwaitShown("Password for dave: ")) << differ.shown;
    differ.Type("first-secret\n");
    ASSERT_TRUE(differ.AwaitShown("The same password again: ")) << differ.shown;
    differ.Type("other-secret\n");
    EXPECT_EQ(differ.Exit(), 1);
    EXPECT_NE(differ.shown.find("ZelmoBot: the two passwords differ, no user added"),
              std::string::npos)
        << differ.shown;
    EXPECT_EQ(differ.shown.find("secret"), std::string::npos) << differ.shown;
    EXPECT_FALSE(dir.Exists("Users.ini"));
  }
  TerminalProcess same({"--add-user", "dave", "--owner", "--data-dir", dir.Path()});
  ASSERT_TRUE(same.AwaitShown("Password for dave: ")) << same.shown;
  same.Type("hidden-pw\n");
  ASSERT_TRUE(same.AwaitShown("The same password again: ")) << same.shown;
  same.Type("hidden-pw\n");
  EXPECT_EQ(same.Exit(), 0) << same.shown;
  EXPECT_EQ(same.shown.find("hidden-pw"), std::string::npos) << same.shown;
  EXPECT_EQ(TIniFile(dir.File("Users.ini")).ReadString("dave", "Password", "-1"), "hidden-pw");
}

}  // namespace
}  // namespace zelmo
