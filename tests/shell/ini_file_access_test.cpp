#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/base/ini_file.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

constexpr char kContent[] = "; keep me\n[s]\nk=v\n";

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every change that would alter the file must be refused with the store's text.
void ExpectEveryChangeRefused(const std::string& path) {
  TIniFile ini(path);
  const std::string message = "Unable to write to " + path;
  try {
    ini.WriteString("s", "k", "new");
    ADD_FAILURE() << "WriteString accepted";
  } catch (const EIniFileException& error) {
    EXPECT_EQ(error.Message(), message);
  }
  try {
    ini.WriteString("other", "k", "new");
    ADD_FAILURE() << "WriteString of a new section accepted";
  } catch (const EIniFileException& error) {
    EXPECT_EQ(error.Message(), message);
  }
  EXPECT_THROW(ini.DeleteKey("S", "K"), EIniFileException);
  EXPECT_THROW(ini.EraseSection("s"), EIniFileException);
}

TEST(TIniFileAccess, ReadOnlyFileIsRefusedEvenForRoot) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", kContent);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ExpectEveryChangeRefused(path);
  // Changes that change nothing are no writes and no errors.
  TIniFile ini(path);
  ini.WriteString("S", "K", "v");
  ini.DeleteKey("s", "absent");
  ini.EraseSection("absent");
  EXPECT_EQ(dir.Read("a.ini"), kContent);
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.ini"}));
}

TEST(TIniFileAccess, ReadOnlyFolderIsRefused) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.File("ro").c_str(), 0700), 0);
  dir.Write("ro/a.ini", kContent);
  ASSERT_EQ(chmod(dir.File("ro").c_str(), 0555), 0);
  ExpectEveryChangeRefused(dir.File("ro/a.ini"));
  EXPECT_THROW(TIniFile(dir.File("ro/new.ini")).WriteString("s", "k", "v"), EIniFileException);
  EXPECT_EQ(dir.Read("ro/a.ini"), kContent);
  EXPECT_EQ(Entries(dir.File("ro")), (std::vector<std::string>{"a.ini"}));
}

TEST(TIniFileAccess, UnreadableFileIsNeverReplaced) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", kContent);
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  ExpectEveryChangeRefused(path);
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  EXPECT_EQ(dir.Read("a.ini"), kContent);
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.ini"}));
}

// Runs the write as an unprivileged user (when root) in a child, as the
// permission check must come from the kernel and root reads everything.
bool WriteIsRefusedAs(uid_t user, const std::string& path) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (geteuid() == 0 && (setgid(user) != 0 || setuid(user) != 0)) _exit(3);
    try {
      TIniFile(path).WriteString("s", "k", "new");
    } catch (const EIniFileException& error) {
      _exit(error.Message() == "Unable to write to " + path ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(TIniFileAccess, WriteOnlyFileIsNeverReplaced) {
  TempDir dir;
  constexpr uid_t kNobody = 65534;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", kContent);
  ASSERT_EQ(chmod(path.c_str(), 0200), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(dir.Path().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  }
  EXPECT_TRUE(WriteIsRefusedAs(kNobody, path));
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  EXPECT_EQ(dir.Read("a.ini"), kContent);
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.ini"}));
}

TEST(TIniFileAccess, PathThatIsNoFileReadsDefaultsAndIsNotReplaced) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.File("folder.ini").c_str(), 0700), 0);
  dir.Write("plain", kContent);
  for (const std::string& path : {dir.File("folder.ini"), dir.File("plain/a.ini")}) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("s", "k", "-1"), "-1");
    EXPECT_TRUE(ini.ReadSections().empty());
    ini.DeleteKey("s", "k");
    ini.EraseSection("s");
    EXPECT_THROW(ini.WriteString("s", "k", "v"), EIniFileException) << path;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));
  EXPECT_EQ(dir.Read("plain"), kContent);
}

// Clears the immutable flag again so the folder can be removed.
class ImmutableFlag {
 public:
  explicit ImmutableFlag(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {
    int flags = 0;
    set_ = fd_ >= 0 && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags |= FS_IMMUTABLE_FL, ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0);
  }
  ~ImmutableFlag() {
    int flags = 0;
    if (set_ && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~FS_IMMUTABLE_FL;
      ioctl(fd_, FS_IOC_SETFLAGS, &flags);
    }
    if (fd_ >= 0) close(fd_);
  }
  bool IsSet() const { return set_; }

 private:
  int fd_;
  bool set_ = false;
};

TEST(TIniFileAccess, ImmutableFileIsRefused) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", kContent);
  ImmutableFlag immutable(path);
  if (!immutable.IsSet()) GTEST_SKIP() << "cannot set the immutable flag here";
  ExpectEveryChangeRefused(path);
  EXPECT_EQ(dir.Read("a.ini"), kContent);
}

TEST(TIniFileAccess, SymbolicLinksAreWrittenThrough) {
  TempDir dir;
  dir.Write("real.ini", kContent);
  ASSERT_EQ(chmod(dir.File("real.ini").c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.ini", dir.File("hop.ini").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("hop.ini").c_str(), dir.File("link.ini").c_str()), 0);
  TIniFile(dir.File("link.ini")).WriteString("s", "k", "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("hop.ini")));
  EXPECT_EQ(dir.Read("real.ini"), "; keep me\n[s]\nk=new\n");
  struct stat status {};
  ASSERT_EQ(stat(dir.File("real.ini").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);

  ASSERT_EQ(symlink("target.ini", dir.File("dangling.ini").c_str()), 0);
  TIniFile(dir.File("dangling.ini")).WriteString("s", "k", "v");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.ini")));
  EXPECT_EQ(dir.Read("target.ini"), "[s]\nk=v\n");
}

TEST(TIniFileAccess, RewriteKeepsTheOwnerWhenRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give files away";
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", kContent);
  ASSERT_EQ(chown(path.c_str(), 4321, 4322), 0);
  TIniFile(path).WriteString("s", "k", "new");
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 4321u);
  EXPECT_EQ(status.st_gid, 4322u);
}

// A write error half way (here the file size limit, standing in for a full
// disk) must leave the old file whole and no temporary file behind. The
// limit applies to the whole process, so the write runs in a child.
TEST(TIniFileAccess, WriteErrorLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", kContent);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, RLIM_INFINITY};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    try {
      TIniFile(path).WriteString("s", "k", std::string(4096, 'x'));
    } catch (const EIniFileException& error) {
      _exit(error.Message() == "Unable to write to " + path ? 0 : 2);
    } catch (...) {
      _exit(4);
    }
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(dir.Read("a.ini"), kContent);
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.ini"}));
}

}  // namespace
}  // namespace zelmo
