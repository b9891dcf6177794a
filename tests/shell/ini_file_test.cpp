#include "shell/base/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zelmo {
namespace {

using testing::TempDir;

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

std::vector<std::string> Entries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TIniFile, MissingFileGivesDefaultsAndCreatesNothing) {
  TempDir dir;
  TIniFile ini(dir.File("Config.ini"));
  EXPECT_EQ(ini.ReadString("Me", "Nick", "ZelmoBot"), "ZelmoBot");
  EXPECT_EQ(ini.ReadInteger("Me", "Port", 6667), 6667);
  EXPECT_TRUE(ini.ReadBool("General", "AutoVoice", true));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_FALSE(ini.SectionExists("Me"));
  ini.DeleteKey("Me", "Nick");
  ini.EraseSection("Me");
  EXPECT_TRUE(Entries(dir).empty());
}

TEST(TIniFile, ReadsTrimAndCapValues) {
  TempDir dir;
  const std::string long_value(3000, 'x');
  dir.Write("a.ini", "[S]\n  Key  =  'quoted value'  \nlong=" + long_value + "\n");
  TIniFile ini(dir.File("a.ini"));
  EXPECT_EQ(ini.ReadString("s", "KEY", "-1"), "quoted value");
  EXPECT_EQ(ini.ReadString("s", "long", "-1"), long_value.substr(0, 2047));
  EXPECT_EQ(ini.ReadString("s", "absent", "-1"), "-1");
  EXPECT_EQ(ini.ReadString("absent", "key", "dflt"), "dflt");
}

TEST(TIniFile, ReadIntegerAndReadBool) {
  TempDir dir;
  dir.Write("a.ini",
            "[n]\nhex=0x1A0B\ndollar=$1A0B\nblank=\" 12\"\nneg=-5\nsplit=1 2\nword=abc\nempty=\n"
            "zero=0\none=1\ntwo=2\nno=no\nshort=0x\n");
  TIniFile ini(dir.File("a.ini"));
  EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 6667);
  EXPECT_EQ(ini.ReadInteger("n", "dollar", 0), 6667);
  EXPECT_EQ(ini.ReadInteger("n", "blank", 0), 12);
  EXPECT_EQ(ini.ReadInteger("n", "neg", 0), -5);
  EXPECT_EQ(ini.ReadInteger("n", "split", 77), 77);
  EXPECT_EQ(ini.ReadInteger("n", "word", 77), 77);
  EXPECT_EQ(ini.ReadInteger("n", "empty", 77), 77);
  EXPECT_EQ(ini.ReadInteger("n", "short", 77), 77);
  EXPECT_EQ(ini.ReadInteger("n", "missing", 77), 77);
  EXPECT_FALSE(ini.ReadBool("n", "zero", true));
  EXPECT_TRUE(ini.ReadBool("n", "one", false));
  EXPECT_TRUE(ini.ReadBool("n", "two", false));
  EXPECT_TRUE(ini.ReadBool("n", "no", true));
  EXPECT_FALSE(ini.ReadBool("n", "no", false));
}

TEST(TIniFile, WritesCreateUpdateAndDelete) {
  TempDir dir;
  const std::string path = dir.File("Users.ini");
  TIniFile ini(path);
  ini.WriteString("bob", "HostMask", "ident@host");
  EXPECT_EQ(ModeOf(path), 0600u);
  ini.WriteString("BOB", "hostmask", " spaced ");
  ini.WriteString("Address", "ident@host", "bob");
  EXPECT_EQ(dir.Read("Users.ini"), "[bob]\nHostMask=\" spaced \"\n\n[Address]\nident@host=bob\n");
  EXPECT_EQ(ini.ReadString("Bob", "Hostmask", "-1"), " spaced ");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"Users.ini"}));

  ini.DeleteKey("bob", "HOSTMASK");
  EXPECT_FALSE(ini.SectionExists("bob"));
  EXPECT_TRUE(ini.SectionExists("address"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"bob", "Address"}));
  ini.EraseSection("BOB");
  EXPECT_EQ(dir.Read("Users.ini"), "[Address]\nident@host=bob\n");
}

TEST(TIniFile, RewriteKeepsModeLayoutAndCrLf) {
  TempDir dir;
  const std::string path = dir.File("Config.ini");
  const std::string before =
      "; settings\r\n[Me]\r\nNick=Old\r\n\r\n[Display]\r\nFontface=Arial\r\n";
  dir.Write("Config.ini", before);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  TIniFile ini(path);
  ini.WriteString("me", "nick", "New");
  EXPECT_EQ(dir.Read("Config.ini"),
            "; settings\r\n[Me]\r\nNick=New\r\n\r\n[Display]\r\nFontface=Arial\r\n");
  EXPECT_EQ(ModeOf(path), 0640u);
}

TEST(TIniFile, AByteOrderMarkIsSkippedWhenReadingAndKeptWhenRewriting) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  dir.Write("Users.ini", bom + "[owner]\r\nPassword=secret\r\n");
  TIniFile ini(dir.File("Users.ini"));
  EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"owner"});
  EXPECT_EQ(ini.ReadString("owner", "Password", "-1"), "secret");
  ini.WriteString("owner", "Rights_General", "2");
  EXPECT_EQ(dir.Read("Users.ini"), bom + "[owner]\r\nPassword=secret\r\nRights_General=2\r\n");
  // A file that holds nothing but the mark gains its first section after it.
  dir.Write("Config.ini", bom);
  TIniFile(dir.File("Config.ini")).WriteString("Me", "Nick", "Bot");
  EXPECT_EQ(dir.Read("Config.ini"), bom + "[Me]\nNick=Bot\n");
}

TEST(TIniFile, WriteOfTheSameValueLeavesTheFileAlone) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  dir.Write("a.ini", "[s]\nk = \"v\"\n");
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  TIniFile(path).WriteString("S", "K", "v");
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(dir.Read("a.ini"), "[s]\nk = \"v\"\n");
}

TEST(TIniFile, UnstorableNamesAndValuesRaiseAndChangeNothing) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  const std::string before = "[s]\nk=v\n";
  dir.Write("a.ini", before);
  TIniFile ini(path);
  const std::string message = "Unable to write to " + path;
  const auto expect_refused = [&](std::string_view section, std::string_view key,
                                  std::string_view value) {
    try {
      ini.WriteString(section, key, value);
      ADD_FAILURE() << "accepted [" << section << "] " << key << "=" << value;
    } catch (const EIniFileException& error) {
      EXPECT_EQ(error.Message(), message);
    }
  };
  expect_refused("s", "k", "two\nlines");
  expect_refused("s", "k", "cr\r");
  expect_refused("s", "k", std::string_view("nul\0", 4));
  expect_refused("a]b", "k", "v");
  expect_refused(" s", "k", "v");
  expect_refused("", "k", "v");
  expect_refused("s", "a=b", "v");
  expect_refused("s", ";k", "v");
  expect_refused("s", "[k", "v");
  expect_refused("s", "k ", "v");
  expect_refused("s", "", "v");
  EXPECT_EQ(dir.Read("a.ini"), before);
  expect_refused("new", "k", "a\nb");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"a.ini"}));
}

}  // namespace
}  // namespace zelmo
