#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "fault_fixture.h"
#include "user_file_check.h"

// The user file when the disk will not take a write (read-only file or
// folder, an immutable file, a full file system) and when the bot is killed
// in the middle of a stream of writes. Afterwards the file is always whole:
// the old content or the new, never a mix, never empty. A command that
// could not write ends without a reply.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

const std::string kUsers =
    "[alice]\nPassword=apass\nRights_General=2\nRights_#room=4\n\n"
    "[bob]\nPassword=secret\nRights_General=0\nHostmask=bob@host-start\n"
    "Logintime=01.01.2026 10:00:00\n\n"
    "[carol]\nPassword=cpass\nRights_General=1\n\n"
    "[Address]\nalice@alice.host=alice\nbob@host-start=bob\n";

const IniSection kAlice{"alice",
                        {{"Password", "apass"}, {"Rights_General", "2"}, {"Rights_#room", "4"}}};
const IniSection kCarol{"carol", {{"Password", "cpass"}, {"Rights_General", "1"}}};

// Sets the immutable flag on a file for as long as the object lives.
class ImmutableFlag {
 public:
  explicit ImmutableFlag(const std::string& path) : path_(path) { set_ = Change(true); }
  ~ImmutableFlag() {
    if (set_) Change(false);
  }
  bool IsSet() const { return set_; }

 private:
  bool Change(bool on) {
    int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
  }

  std::string path_;
  bool set_ = false;
};

// Gives a file or folder a mode for as long as the object lives, so that a
// failing test still leaves a folder its clean-up can remove.
class ScopedMode {
 public:
  ScopedMode(const std::string& path, mode_t mode) : path_(path) {
    struct stat status {};
    set_ = stat(path_.c_str(), &status) == 0 && chmod(path_.c_str(), mode) == 0;
    old_ = status.st_mode & 07777;
  }
  ~ScopedMode() {
    if (set_) chmod(path_.c_str(), old_);
  }
  bool IsSet() const { return set_; }

 private:
  std::string path_;
  mode_t old_ = 0;
  bool set_ = false;
};

// A tiny tmpfs mounted on a folder for as long as the object lives.
class SmallTmpfs {
 public:
  explicit SmallTmpfs(const std::string& folder) : folder_(folder) {
    std::filesystem::create_directory(folder_);
    mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0;
  }
  ~SmallTmpfs() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// Fills the file system of the folder until it takes no more bytes.
void FillUp(const std::string& path) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  std::string block(4096, 'f');
  // Gives up after 64 MiB; the file system holds 64 KiB.
  for (int i = 0; i < 16384 && write(fd, block.data(), block.size()) > 0; ++i) {
  }
  while (write(fd, "f", 1) > 0) {
  }
  close(fd);
}

// The data files of the folder: the console socket that a bot without a
// runtime directory keeps there is none.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename() == "zelmobot.sock") continue;
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class UserFileFaults : public FaultTest {
 protected:
  void Start(const std::string& folder) {
    data = folder;
    std::ofstream(data + "Users.ini") << kUsers;
    StartBotIn(data);
    ConnectBot();
  }
  void StartBotIn(const std::string& folder) {
    std::ofstream(folder + "Config.ini") << LoopbackConfig(server.Port());
    bot = std::make_unique<BotProcess>(HeadlessBot(folder));
    ASSERT_TRUE(bot->AwaitDisplay("Type \"Connect\"", 10s)) << bot->ErrorOutput();
  }
  std::string UserFile() const {
    std::ifstream file(data + "Users.ini");
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  // Every command that writes the user file ends without a reply; commands
  // that only read still answer; the file is as it was.
  void ExpectWritesRefusedSilently() {
    Tell("bob", "bob@new.host", "login;bob;secret");
    Tell("alice", "alice@alice.host", "useradd;dave");
    Tell("alice", "alice@alice.host", "usermod;carol;#room;1");
    Tell("alice", "alice@alice.host", "chanowner;#room;carol");
    Tell("alice", "alice@alice.host", "newpass;apass;other");
    Tell("alice", "alice@alice.host", "userdel;carol");
    Tell("alice", "alice@alice.host", "userpass;bob");
    Tell("alice", "alice@alice.host", "userinfo;carol");
    EXPECT_EQ(Answers(), (std::vector<std::string>{
                             "PRIVMSG alice :Userpass: bob - \"secret\"",
                             "PRIVMSG alice :carol: Login time(-1) General rights(Operator)"}));
    EXPECT_EQ(UserFile(), kUsers);
    EXPECT_TRUE(bot->Running());
  }
  void ExpectLoginWorks() {
    Tell("bob", "bob@new.host", "login;bob;secret");
    EXPECT_EQ(Answers(), std::vector<std::string>{"PRIVMSG bob :Login: Logged on"});
  }

  std::string data;
};

TEST_F(UserFileFaults, AReadOnlyUserFileRefusesEveryWriteWithoutAReply) {
  Start(dir.Path());
  {
    ScopedMode read_only(data + "Users.ini", 0400);
    ASSERT_TRUE(read_only.IsSet());
    ExpectWritesRefusedSilently();
  }
  ExpectLoginWorks();
}

TEST_F(UserFileFaults, AReadOnlyFolderRefusesEveryWriteWithoutAReply) {
  Start(dir.Path());
  {
    ScopedMode read_only(data, 0500);
    ASSERT_TRUE(read_only.IsSet());
    ExpectWritesRefusedSilently();
    EXPECT_EQ(Entries(data), (std::vector<std::string>{"Config.ini", "Users.ini"}));
  }
  ExpectLoginWorks();
}

// The refusal is silent on IRC, never for the operator: RELOAD says the
// file cannot be written, and a login that fails to write says why.
TEST_F(UserFileFaults, AnUnwritableUserFileIsToldInTheDisplay) {
  Start(dir.Path());
  ScopedMode read_only(data + "Users.ini", 0400);
  ASSERT_TRUE(read_only.IsSet());
  bot->Command("reload");
  EXPECT_TRUE(
      bot->AwaitDisplay("Users.ini cannot be written: logins and user changes will fail", 10s))
      << bot->DisplayOutput();
  Tell("bob", "bob@new.host", "login;bob;secret");
  // The RELOAD's NICK goes out, no answer to bob.
  EXPECT_TRUE(PrivmsgsTo(Answers(), "bob").empty());
  EXPECT_TRUE(bot->AwaitDisplay("Unable to write to " + data +
                                    "Users.ini (the file is read-only): the command ended "
                                    "without an answer",
                                10s))
      << bot->DisplayOutput();
}

TEST_F(UserFileFaults, AnImmutableUserFileRefusesEveryWriteWithoutAReply) {
  Start(dir.Path());
  {
    ImmutableFlag immutable(data + "Users.ini");
    if (!immutable.IsSet()) GTEST_SKIP() << "this file system refuses the immutable flag";
    ExpectWritesRefusedSilently();
  }
  ExpectLoginWorks();
}

TEST_F(UserFileFaults, AFullFileSystemRefusesEveryWriteWithoutAReply) {
  SmallTmpfs tmpfs(dir.File("full"));
  if (!tmpfs.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  Start(dir.File("full/"));
  FillUp(data + "filler");
  ExpectWritesRefusedSilently();
  // Nothing half-written was left behind.
  EXPECT_EQ(Entries(data), (std::vector<std::string>{"Config.ini", "Users.ini", "filler"}));
  std::filesystem::remove(data + "filler");
  ExpectLoginWorks();
  bot.reset();
}

// Checks one state of the user file during or after a stream of logins by
// bob: every entry whole, bob's address map entry (if any) his last login
// address.
void ExpectWholeUserFile(const std::string& text, const std::string& when) {
  SCOPED_TRACE(when);
  std::string why;
  auto sections = ParseWholeIni(text, why);
  ASSERT_TRUE(sections) << why << "\n" << text;
  ASSERT_EQ(sections->size(), 4u) << text;
  EXPECT_EQ((*sections)[0], kAlice);
  EXPECT_EQ((*sections)[2], kCarol);
  const IniSection& bob = (*sections)[1];
  ASSERT_EQ(bob.name, "bob");
  ASSERT_EQ(bob.keys.size(), 4u) << text;
  EXPECT_EQ(bob.Value("Password"), "secret");
  EXPECT_EQ(bob.Value("Rights_General"), "0");
  auto hostmask = bob.Value("Hostmask");
  ASSERT_TRUE(hostmask);
  EXPECT_EQ(hostmask->rfind("bob@", 0), 0u);
  EXPECT_FALSE(bob.Value("Logintime").value_or("").empty());
  const IniSection& map = (*sections)[3];
  ASSERT_EQ(map.name, "Address");
  ASSERT_FALSE(map.keys.empty());
  EXPECT_EQ(map.keys[0], (std::pair<std::string, std::string>{"alice@alice.host", "alice"}));
  ASSERT_LE(map.keys.size(), 2u) << text;
  if (map.keys.size() == 2) {
    EXPECT_EQ(map.keys[1], (std::pair<std::string, std::string>{*hostmask, "bob"}));
  }
}

// A thousand logins from changing addresses, each a few whole-file writes;
// the bot is killed with SIGKILL after some of them, at a random moment.
TEST_F(UserFileFaults, KilledInTheMiddleOfAStreamOfWritesTheFileIsAlwaysWhole) {
  data = dir.Path();
  dir.Write("Users.ini", kUsers);
  std::mt19937 random(4711);
  std::string logins;
  for (int i = 0; i < 1000; ++i) {
    logins += ":bob!bob@host-" + std::to_string(i) + " PRIVMSG ZelmoBot :login;bob;secret\r\n";
  }
  for (int kill_after : {1, 60, 250}) {
    SCOPED_TRACE("killed after " + std::to_string(kill_after) + " logins");
    StartBotIn(data);
    ConnectBot();
    ASSERT_TRUE(link->Send(logins, 60s));
    int replies = 0;
    // Gives up after 60 s; a login takes a few milliseconds.
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (replies < kill_after && std::chrono::steady_clock::now() < deadline) {
      auto line = link->ReadLine(1s);
      if (line) replies += *line == "PRIVMSG bob :Login: Logged on";
      ExpectWholeUserFile(UserFile(), "while logging in");
    }
    ASSERT_EQ(replies, kill_after);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    bot->Signal(SIGKILL);
    ASSERT_EQ(bot->WaitExit(10s), -SIGKILL);
    ExpectWholeUserFile(UserFile(), "after the kill");
  }
  // The file still serves the next run.
  StartBotIn(data);
  ConnectBot();
  ExpectLoginWorks();
  ExpectWholeUserFile(UserFile(), "after a clean login");
  // No stray copy of the file from a killed write is left behind.
  EXPECT_EQ(Entries(data), (std::vector<std::string>{"Config.ini", "Users.ini"}));
}

}  // namespace
}  // namespace zelmo::testing
