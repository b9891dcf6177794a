#include "channel/ban_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "shell/base/errors.h"
#include "shell/base/ini_file.h"
#include "support/temp_dir.h"

namespace zelmo::testing {
namespace {

BanEntry Ban(const std::string& mask, UnixSeconds expires_at = 0, std::string reason = "spam") {
  return BanEntry{mask, "olli", 1000, expires_at, false, std::move(reason)};
}

class BanListTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("Bans.ini");
};

TEST_F(BanListTest, SurvivesAReloadInOwnerOnlyFile) {
  {
    BanList list(path);
    list.Add("#Room", Ban("*!*@troll.example.org", 5000, "flood, twice"));
    list.Add("#room", BanEntry{"bob!*@*", "vera", 1200, 0, true, ""});
    list.Add("#other", Ban("x!*@*"));
  }
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const BanList again(path);
  EXPECT_EQ(again.Of("#ROOM"),
            (std::vector<BanEntry>{Ban("*!*@troll.example.org", 5000, "flood, twice"),
                                   BanEntry{"bob!*@*", "vera", 1200, 0, true, ""}}));
  EXPECT_EQ(again.Channels(), (std::vector<std::string>{"#other", "#Room"}));
  ASSERT_NE(again.Matching("#room", "Eve!e@TROLL.example.org"), nullptr);
  EXPECT_EQ(again.Matching("#room", "Eve!e@TROLL.example.org")->mask, "*!*@troll.example.org");
  EXPECT_EQ(again.Matching("#other", "eve!e@troll.example.org"), nullptr);
}

TEST_F(BanListTest, ReplacesRemovesAndExpires) {
  BanList list(path);
  list.Add("#room", Ban("a!*@*", 3000));
  list.Add("#room", Ban("b!*@*", 2000));
  list.Add("#room", Ban("A!*@*", 0, "for good"));  // the same mask: replaced
  ASSERT_EQ(list.Of("#room").size(), 2u);
  EXPECT_EQ(list.Of("#room")[0].reason, "for good");
  EXPECT_EQ(list.NextExpiry(), 2000);
  EXPECT_TRUE(list.TakeExpired(1999).empty());
  const std::vector<BanList::Expired> expired = list.TakeExpired(2000);
  ASSERT_EQ(expired.size(), 1u);
  EXPECT_EQ(expired[0].entry.mask, "b!*@*");
  EXPECT_EQ(list.NextExpiry(), std::nullopt);
  EXPECT_FALSE(list.Remove("#room", "nobody!*@*"));
  EXPECT_TRUE(list.Remove("#ROOM", "a!*@*"));
  EXPECT_TRUE(list.Channels().empty());
  EXPECT_TRUE(BanList(path).Channels().empty());
}

TEST_F(BanListTest, RefusesWhatItCannotKeep) {
  BanList list(path);
  for (const std::string& mask :
       std::vector<std::string>{"", "a b!*@*", "[x]", ";x", "a=b", std::string(201, 'a')}) {
    EXPECT_THROW(list.Add("#room", Ban(mask)), EBanRefused) << mask;
  }
  for (std::size_t i = 0; i < kMaxBansPerChannel; ++i)
    list.Add("#room", Ban("n" + std::to_string(i)));
  EXPECT_THROW(list.Add("#room", Ban("one-more")), EBanRefused);
  list.Add("#room", Ban("n7", 0, "replacing is still fine"));
  list.Add("#room", Ban("n8", 0, std::string(300, 'r')));
  const BanList again(path);
  EXPECT_EQ(again.Of("#room").size(), kMaxBansPerChannel);
  EXPECT_EQ(again.Find("#room", "n8")->reason, std::string(kMaxBanReasonBytes, 'r'));
}

TEST_F(BanListTest, AHandEditItCannotReadNamesTheEntry) {
  for (const char* value :
       {"soon 1000 olli b spam", "0 1000 olli x spam", "0 1000", "-1 1000 olli b x"}) {
    dir.Write("Bans.ini", std::string("[#room]\n*!*@h=") + value + "\n");
    try {
      BanList list(path);
      ADD_FAILURE() << value;
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), path + ", [#room] *!*@h: not a ban") << value;
    }
  }
  dir.Write("Bans.ini",
            "; kept by the bot\n[#room]\n*!*@h=0 1000 olli b \n*!*@H=9 9 x q dropped\n");
  EXPECT_EQ(BanList(path).Of("#room"), (std::vector<BanEntry>{Ban("*!*@h", 0, "")}));
}

}  // namespace
}  // namespace zelmo::testing
