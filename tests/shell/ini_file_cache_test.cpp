#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "shell/base/ini_file.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

struct stat StatOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Rewrites the file in place and sets its modification time back, so that
// only the change time tells the edit apart; repeats (bounded) until the
// clock has moved on far enough for the change time to differ.
void EditInPlaceKeepingSizeAndMtime(const std::string& path, const std::string& content) {
  const struct stat before = StatOf(path);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const struct stat after = StatOf(path);
    ASSERT_EQ(after.st_size, before.st_size);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_TRUE(SameTime(after.st_mtim, before.st_mtim));
    if (!SameTime(after.st_ctim, before.st_ctim)) return;
    usleep(1000);
  }
  FAIL() << "the change time never moved";
}

TEST(IniFileCache, CachedReadsMatchAFreshParse) {
  TempDir dir;
  const std::string path = dir.File("Users.ini");
  dir.Write("Users.ini",
            "[bob]\nPassword=secret\nRights_General=0x1A0B\n[Empty]\n"
            "[Address]\nid@host=bob\n[BOB]\nPassword=shadowed\n");
  IniFileCache cache;
  for (int round = 0; round < 2; ++round) {
    TIniFile cached(path, &cache);
    TIniFile fresh(path);
    EXPECT_EQ(cached.ReadString("BOB", "password", "-1"),
              fresh.ReadString("BOB", "password", "-1"));
    EXPECT_EQ(cached.ReadString("bob", "password", "-1"), "secret");
    EXPECT_EQ(cached.ReadInteger("bob", "rights_general", -1), 6667);
    EXPECT_EQ(cached.ReadString("address", "ID@HOST", "-1"), "bob");
    EXPECT_EQ(cached.ReadSections(), fresh.ReadSections());
    EXPECT_FALSE(cached.SectionExists("empty"));
    EXPECT_TRUE(cached.SectionExists("Address"));
  }
}

TEST(IniFileCache, SeesAnEditThatKeepsSizeAndModificationTime) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", "[s]\nk=aaaa\n");
  IniFileCache cache;
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "k", "-1"), "aaaa");
  EditInPlaceKeepingSizeAndMtime(path, "[s]\nk=bbbb\n");
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "k", "-1"), "bbbb");
}

TEST(IniFileCache, SeesAReplacementOfTheSameSizeAndTimes) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", "[s]\nk=aaaa\n");
  IniFileCache cache;
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "k", "-1"), "aaaa");
  const struct stat before = StatOf(path);
  dir.Write("b.ini", "[s]\nk=cccc\n");
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, dir.File("b.ini").c_str(), times, 0), 0);
  ASSERT_EQ(std::rename(dir.File("b.ini").c_str(), path.c_str()), 0);
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "k", "-1"), "cccc");
}

TEST(IniFileCache, WritesKeepTheCacheCurrentAndNeverLoseAHandEdit) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  IniFileCache cache;
  TIniFile(path, &cache).WriteString("s", "one", "1");
  EXPECT_EQ(TIniFile(path, &cache).ReadString("S", "ONE", "-1"), "1");
  dir.Write("a.ini", dir.Read("a.ini") + "two=2\n");
  TIniFile(path, &cache).WriteString("s", "three", "3");
  EXPECT_EQ(dir.Read("a.ini"), "[s]\none=1\ntwo=2\nthree=3\n");
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "two", "-1"), "2");
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "three", "-1"), "3");
  TIniFile(path, &cache).DeleteKey("s", "one");
  EXPECT_EQ(TIniFile(path, &cache).ReadString("s", "one", "-1"), "-1");
}

}  // namespace
}  // namespace zelmo
