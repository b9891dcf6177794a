#include "users/rights.h"

#include "users/scriptfunc.h"
#include "users_fixture.h"

namespace zelmo::testing {
namespace {

class RightsTest : public UsersTest {
 protected:
  void SetUp() override {
    bot.WriteUsers(
        "[Address]\n"
        "u@h=u\n"
        "gone@h=-1\n"
        "[u]\n"
        "Password=x\n"
        "Rights_General=1\n"
        "Rights_#wrap=256\n"
        "Rights_#neg=-129\n"
        "Rights_#big=300\n"
        "Rights_#dollar=$10\n"
        "Rights_#hex=0x10\n"
        "Rights_#x=x1F\n"
        "Rights_#minus=-1\n"
        "Rights_#Mixed=3\n"
        "Rights_#word=abc\n"
        "Rights_#empty=\n");
  }
  int Level(const std::string& scope, const std::string& address = "u@h") {
    return RightsLevel(bot, scope, address);
  }
};

TEST_F(RightsTest, StoredNumbersKeepTheirLowByteAsSignedLevel) {
  EXPECT_EQ(Level("#wrap"), 0);
  EXPECT_EQ(Level("#neg"), 127);
  EXPECT_EQ(Level("#big"), 44);
  EXPECT_EQ(Level("#dollar"), 16);
  EXPECT_EQ(Level("#hex"), 16);
  EXPECT_EQ(Level("#x"), 31);
  EXPECT_EQ(Level("#minus"), -1);
}

TEST_F(RightsTest, AbsentEntriesAreLevelMinusOne) {
  EXPECT_EQ(Level("#nokey"), -1);
  EXPECT_EQ(Level("GENERAL", "stranger@h"), -1);
  // An address mapped to "-1" is not logged in.
  EXPECT_EQ(Level("GENERAL", "gone@h"), -1);
}

TEST_F(RightsTest, ScopesMatchWithoutRegardToCase) {
  EXPECT_EQ(Level("GENERAL"), 1);
  EXPECT_EQ(Level("General"), 1);
  EXPECT_EQ(Level("#mixed"), 3);
  EXPECT_EQ(Level("#MIXED"), 3);
  EXPECT_EQ(Level("GENERAL", "U@H"), 1);
}

TEST_F(RightsTest, NonNumericStoredLevelRaises) {
  EXPECT_THROW(Level("#word"), EConvertError);
  EXPECT_THROW(Level("#empty"), EConvertError);
  EXPECT_THROW(ParseRightsLevel("4294967296"), EConvertError);
  EXPECT_EQ(ParseRightsLevel("  5"), 5);
}

TEST_F(RightsTest, NickPlaysNoPart) {
  TIdIRCUser& renamed = bot.User("whoever", "u@h");
  EXPECT_TRUE(CheckRights(bot, "GENERAL", 1, renamed, "Say"));
  EXPECT_TRUE(bot.TakeSent().empty());
}

TEST_F(RightsTest, UserFileIsTakenFromTheConfigurationAtEveryLookup) {
  EXPECT_EQ(Level("GENERAL"), 1);
  bot.users_file = "Other.ini";
  EXPECT_EQ(Level("GENERAL"), -1);
  bot.dir.Write("Other.ini", "[address]\nu@h=v\n[V]\nrights_general=2\n");
  EXPECT_EQ(Level("GENERAL"), 2);
}

TEST(RightsNameTest, NamesGoByTheStoredTextItself) {
  EXPECT_EQ(RightsName("G-1"), "User not found");
  EXPECT_EQ(RightsName("G0"), "Nothing");
  EXPECT_EQ(RightsName("G1"), "Operator");
  EXPECT_EQ(RightsName("G2"), "Owner");
  EXPECT_EQ(RightsName("G3"), "Unknown value");
  EXPECT_EQ(RightsName("G4"), "Unknown value");
  EXPECT_EQ(RightsName("G"), "Unknown value");
  EXPECT_EQ(RightsName("-1"), "Channel not found");
  EXPECT_EQ(RightsName("0"), "Nothing");
  EXPECT_EQ(RightsName("1"), "Voiced");
  EXPECT_EQ(RightsName("2"), "Operator");
  EXPECT_EQ(RightsName("3"), "Master");
  EXPECT_EQ(RightsName("4"), "Owner");
  EXPECT_EQ(RightsName("5"), "Unknown value");
  EXPECT_EQ(RightsName("00"), "Unknown value");
  EXPECT_EQ(RightsName("+1"), "Unknown value");
  EXPECT_EQ(RightsName(" 1"), "Unknown value");
  EXPECT_EQ(RightsName("g1"), "Unknown value");
  EXPECT_EQ(RightsName(""), "Unknown value");
}

TEST_F(UsersTest, CheckRightsComparesSigned) {
  bot.WriteUsers("[Address]\nx@h=x\n[x]\nRights_General=255\n");
  EXPECT_FALSE(CheckRights(bot, "GENERAL", 0, bot.User("x", "x@h"), "Usermod"));
  EXPECT_EQ(bot.TakeSent(), Only("x", "Usermod: Error - Access rights too low"));
}

TEST_F(UsersTest, RepliesAndModesAreShownThenSent) {
  SendReply(bot, "bob", "Login: Logged on");
  SendReplyColored(bot, "bob", "Nick: Nick changed to z", Dangerous);
  SendMode(bot, "#room", "+o bob");
  EXPECT_EQ(bot.TakeSent(), (std::vector<std::string>{"PRIVMSG bob :Login: Logged on",
                                                      "PRIVMSG bob :Nick: Nick changed to z",
                                                      "MODE #room +o bob"}));
  EXPECT_EQ(bot.Shown(),
            (std::vector<std::string>{"-> bob: Login: Logged on", "-> bob: Nick: Nick changed to z",
                                      "-> #room: +o bob"}));
  ASSERT_EQ(bot.port.lines.size(), 3u);
  EXPECT_EQ(bot.port.lines[0].color, bot.display.NormalColor);
  EXPECT_EQ(bot.port.lines[1].color, bot.display.DangerousColor);
  EXPECT_EQ(bot.port.lines[2].color, bot.display.NormalColor);
}

}  // namespace
}  // namespace zelmo::testing
