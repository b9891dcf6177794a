#include <sys/stat.h>

#include "users_fixture.h"

namespace zelmo::testing {
namespace {

class ReadOnlyUsersTest : public UsersTest {
 protected:
  void SetUp() override {
    UsersTest::SetUp();
    ASSERT_EQ(chmod(bot.UsersFilePath().c_str(), 0444), 0);
  }
};

TEST_F(ReadOnlyUsersTest, LoginEndsWithoutReplyAndFileStaysAsItWas) {
  EXPECT_TRUE(From("x", "x@elsewhere", "login;plain;plainpw").empty());
  EXPECT_EQ(error, "Unable to write to " + bot.UsersFilePath());
  EXPECT_EQ(bot.ReadUsers(), kStaff);
}

TEST_F(ReadOnlyUsersTest, UseraddEndsWithoutAnyMessage) {
  EXPECT_TRUE(From("oper", "useradd;newbie").empty());
  EXPECT_EQ(error, "Unable to write to " + bot.UsersFilePath());
  EXPECT_EQ(bot.ReadUsers(), kStaff);
  // Reading still works.
  EXPECT_EQ(From("oper", "userinfo;plain"),
            Only("oper", "plain: Login time(-1) General rights(Nothing)"));
}

// "Address" is the address map, present here (people are logged in), and
// no user: deleting it would log everyone out.
TEST_F(UsersTest, UnstorableUserNamesAreAnswered) {
  bot.WriteUsers(kStaff + "[bob]\nPassword=b\n");
  const std::string before = bot.ReadUsers();
  for (const std::string name : {"bad]name", " padded", "padded\t", "", "Address", "aDDRESS"}) {
    EXPECT_EQ(From("oper", "useradd;" + name),
              Only("oper", "Useradd: Error - User name " + name + " can't be stored"))
        << name;
  }
  EXPECT_EQ(From("boss", "userdel;address"),
            Only("boss", "Userdel: Error - User address not found"));
  EXPECT_EQ(bot.ReadUsers(), before);
}

TEST_F(UsersTest, UnstorableChannelNamesAreAnswered) {
  bot.WriteUsers(kStaff + "[bob]\nPassword=b\n");
  const std::string before = bot.ReadUsers();
  EXPECT_EQ(From("boss", "usermod;bob;#a=b;-1"),
            Only("boss", "Usermod: Error - Channel #a=b can't be stored"));
  EXPECT_EQ(From("boss", "usermod;bob;#chan ;-1"),
            Only("boss", "Usermod: Error - Channel #chan  can't be stored"));
  EXPECT_EQ(From("boss", "chanowner;#a=b;bob"),
            Only("boss", "Chanowner: Error - Channel #a=b can't be stored"));
  EXPECT_EQ(From("boss", "chanowner;#chan\t;bob"),
            Only("boss", "Chanowner: Error - Channel #chan\t can't be stored"));
  // An unknown user is still told so first.
  EXPECT_EQ(From("boss", "chanowner;#a=b;ghost"),
            Only("boss", "Chanowner: Error - No such user in my userfile"));
  EXPECT_EQ(bot.ReadUsers(), before);
}

TEST_F(UsersTest, UnstorableAddressIsAnsweredBeforeAnyWrite) {
  EXPECT_EQ(From("odd", "o=dd@host", "login;plain;plainpw"),
            Only("odd", "Login: Error - Address o=dd@host can't be stored"));
  EXPECT_EQ(bot.ReadUsers(), kStaff);
}

TEST_F(UsersTest, NonNumericCallerLevelLeavesTheFileAlone) {
  bot.WriteUsers("[Address]\nw@h=w\n[w]\nRights_General=\n");
  const std::string before = bot.ReadUsers();
  EXPECT_TRUE(From("w", "w@h", "useradd;newbie").empty());
  EXPECT_TRUE(From("w", "w@h", "chanowner;#c;w").empty());
  EXPECT_EQ(error, "'' is not a valid integer value");
  EXPECT_EQ(bot.ReadUsers(), before);
}

}  // namespace
}  // namespace zelmo::testing
