#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "shell/base/ini_file.h"
#include "support/bot_process.h"
#include "support/temp_dir.h"
#include "users/password_hash.h"

namespace zelmo {
namespace {

using testing::BotProcess;
using testing::ProcessOptions;
using testing::TempDir;

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
  for (const std::string name : {"x]y", " lead", "trail ", ""}) {
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

// The program on a pseudo terminal: what it shows there, and how it ended.
class OnTerminal {
 public:
  explicit OnTerminal(const std::vector<std::string>& args) {
    std::vector<std::string> argv_text{testing::BotBinary()};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (auto& arg : argv_text) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~OnTerminal() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  bool AwaitShown(const std::string& text) {
    for (int i = 0; i < 100 && shown.find(text) == std::string::npos; ++i) ReadFor(100);
    return shown.find(text) != std::string::npos;
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  std::optional<int> Exit() {
    // Once the program closed the terminal, reads end at once: pause
    // between the checks.
    for (int i = 0; i < 200 && !status_; ++i) {
      while (ReadFor(50)) {
      }
      int raw = 0;
      if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    return status_;
  }

  std::string shown;

 private:
  bool ReadFor(int ms) {
    pollfd fd{master_, POLLIN, 0};
    if (poll(&fd, 1, ms) <= 0) return false;
    char buffer[4096];
    ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;
    shown.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

TEST(AddUser, OnATerminalThePasswordIsTypedTwiceWithoutEcho) {
  TempDir dir;
  {
    OnTerminal differ({"--add-user", "dave", "--data-dir", dir.Path()});
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
  OnTerminal same({"--add-user", "dave", "--owner", "--data-dir", dir.Path()});
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
