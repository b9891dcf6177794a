#include "users/user_admin.h"
#include "users_fixture.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST_F(UsersTest, UserinfoListsUsersInFileOrder) {
  bot.WriteUsers(
      "[Address]\nboss@host=boss\n[zed]\nPassword=z\n[#chan]\nk=v\n[boss]\nRights_General=2\n"
      "[ADDRESS]\nx=y\n[address]\n[#]\n[alpha]\nPassword=a\n[Addresses]\nk=v\n");
  EXPECT_EQ(From("boss", "userinfo"), Only("boss", "Userinfo: Users: zed boss alpha Addresses"));
}

TEST_F(UsersTest, UserListOfEmptyOrFilteredFile) {
  bot.WriteUsers("");
  EXPECT_EQ(UserListText(bot), "Userinfo: No users");
  bot.users_file = "Missing.ini";
  EXPECT_EQ(UserListText(bot), "Userinfo: No users");
  bot.WriteUsers("[Address]\nx@y=z\n[#room]\nk=v\n");
  EXPECT_EQ(UserListText(bot), "Userinfo: Users:");
}

TEST_F(UsersTest, UserinfoOfOneUser) {
  bot.WriteUsers(kStaff +
                 "[bob]\nPassword=b\nLogintime=1.2.2024 10:11:12\nRights_General=1\n"
                 "Rights_#chan=3\n[weird]\nPassword=w\nRights_General=00\n");
  EXPECT_EQ(From("oper", "userinfo;bob"),
            Only("oper", "bob: Login time(1.2.2024 10:11:12) General rights(Operator)"));
  EXPECT_EQ(From("oper", "userinfo;Bob;GENERAL"),
            Only("oper", "Bob: Login time(1.2.2024 10:11:12) General rights(Operator)"));
  EXPECT_EQ(From("oper", "userinfo;plain"),
            Only("oper", "plain: Login time(-1) General rights(Nothing)"));
  EXPECT_EQ(From("oper", "userinfo;weird"),
            Only("oper", "weird: Login time(-1) General rights(Unknown value)"));
  // Only the exact word selects the general form.
  EXPECT_EQ(From("oper", "userinfo;bob;general"),
            Only("oper", "bob rights for channel general: Voiced"));
  EXPECT_EQ(From("oper", "userinfo;bob;#CHAN;x"),
            Only("oper", "bob rights for channel #CHAN: Master"));
  EXPECT_EQ(From("oper", "userinfo;bob;#other"),
            Only("oper", "bob rights for channel #other: Channel not found"));
  EXPECT_EQ(From("oper", "userinfo;nobody"),
            Only("oper", "Userinfo: Error - Couldn't look up user info"));
  EXPECT_EQ(From("oper", "userinfo;nobody;#chan"),
            Only("oper", "Userinfo: Error - Couldn't look up user info"));
}

TEST_F(UsersTest, UseraddWritesTheEntryAndTellsTheNewUser) {
  EXPECT_EQ(From("oper", "useradd;Newbie"),
            (Lines{To("Newbie",
                      "You have been added to my userfile. Type \"login;<nick>;<password>\" to "
                      "log in. You password is Newbie."),
                   To("oper", "Useradd: User added")}));
  EXPECT_EQ(bot.ReadUsers(), kStaff + "\n[Newbie]\nPassword=Newbie\nRights_General=0\n");
  EXPECT_EQ(From("x", "x@h", "login;newbie;NEWBIE"), Only("x", "Login: Logged on"));
}

TEST_F(UsersTest, UseraddTwiceOrInOtherCaseIsRefused) {
  From("oper", "useradd;newbie");
  const std::string before = bot.ReadUsers();
  EXPECT_EQ(From("oper", "useradd;newbie"),
            Only("oper", "Useradd: Error - User newbie allready added"));
  EXPECT_EQ(From("boss", "useradd;NEWBIE"),
            Only("boss", "Useradd: Error - User NEWBIE allready added"));
  EXPECT_EQ(bot.ReadUsers(), before);
  // A section without keys is no user and may be added.
  bot.WriteUsers(kStaff + "[ghost]\n");
  EXPECT_EQ(From("oper", "useradd;ghost").back(), To("oper", "Useradd: User added"));
  EXPECT_EQ(bot.ReadUsers(), kStaff + "[ghost]\nPassword=ghost\nRights_General=0\n");
}

TEST_F(UsersTest, UserdelRemovesSectionAndAddressEntry) {
  EXPECT_EQ(From("boss", "userdel;OPER"), Only("boss", "Userdel: User deleted"));
  EXPECT_EQ(bot.ReadUsers(),
            "[Address]\nboss@host=boss\nplain@host=plain\n\n[boss]\nPassword=BossPw\n"
            "Hostmask=boss@host\nRights_General=2\n\n[plain]\nPassword=plainpw\n"
            "Hostmask=plain@host\nRights_General=0\n");
  EXPECT_EQ(From("boss", "userdel;oper"), Only("boss", "Userdel: Error - User oper not found"));
  EXPECT_EQ(From("oper", "say;#x;hi"), Only("oper", "Say: Error - Access rights too low"));
}

TEST_F(UsersTest, UserdelLogsOutWhoeverTookTheAddressOver) {
  bot.WriteUsers(kStaff + "[old]\nPassword=o\nHostmask=plain@host\n[fresh]\nPassword=f\n");
  EXPECT_EQ(From("boss", "userdel;old"), Only("boss", "Userdel: User deleted"));
  EXPECT_EQ(bot.ReadUsers().find("plain@host=plain"), std::string::npos);
  // A user who never logged in has no address entry to delete.
  EXPECT_EQ(From("boss", "userdel;fresh"), Only("boss", "Userdel: User deleted"));
  EXPECT_EQ(From("boss", "userinfo"), Only("boss", "Userinfo: Users: boss oper plain"));
}

// Callers of each channel level in #chan (general level 0), an owner with
// no channel key, and the target bob.
const std::string kChannelStaff =
    "[Address]\n"
    "boss@host=boss\noper@host=oper\nv1@host=v1\nop2@host=op2\nm3@host=m3\no4@host=o4\n"
    "[boss]\nRights_General=2\n"
    "[oper]\nRights_General=1\n"
    "[v1]\nRights_General=0\nRights_#chan=1\n"
    "[op2]\nRights_General=0\nRights_#chan=2\n"
    "[m3]\nRights_General=0\nRights_#chan=3\n"
    "[o4]\nRights_General=0\nRights_#chan=4\n"
    "[bob]\nPassword=b\nRights_General=0\n";

class UsermodTest : public UsersTest {
 protected:
  void SetUp() override { bot.WriteUsers(kChannelStaff); }
  std::string Bob(const std::string& key) {
    return TIniFile(bot.UsersFilePath()).ReadString("bob", key, "absent");
  }
};

TEST_F(UsermodTest, ChannelCallersGrantUpToTheirOwnLevel) {
  const std::string too_low = "Usermod: Error - Access rights too low";
  EXPECT_EQ(From("v1", "usermod;bob;#chan;0"), Only("v1", too_low));
  EXPECT_EQ(From("op2", "usermod;bob;#chan;3"), Only("op2", too_low));
  EXPECT_EQ(From("m3", "usermod;bob;#chan;4"), Only("m3", too_low));
  EXPECT_EQ(From("o4", "usermod;bob;#other;1"), Only("o4", too_low));
  EXPECT_EQ(Bob("Rights_#chan"), "absent");
  EXPECT_EQ(From("op2", "usermod;bob;#chan;2"),
            Only("op2", "Usermod: User modified(#chan-Operator)"));
  EXPECT_EQ(From("m3", "usermod;bob;#CHAN;3"), Only("m3", "Usermod: User modified(#CHAN-Master)"));
  EXPECT_EQ(Bob("Rights_#chan"), "3");
  EXPECT_EQ(From("o4", "usermod;BOB;#chan;4;extra"),
            Only("o4", "Usermod: User modified(#chan-Owner)"));
  EXPECT_EQ(Bob("Rights_#chan"), "4");
}

TEST_F(UsermodTest, RightsTextIsStoredAsTyped) {
  EXPECT_EQ(From("m3", "usermod;bob;#chan;03"),
            Only("m3", "Usermod: User modified(#chan-Unknown value)"));
  EXPECT_EQ(Bob("Rights_#chan"), "03");
  EXPECT_EQ(From("o4", "usermod;bob;#chan;$4"),
            Only("o4", "Usermod: User modified(#chan-Unknown value)"));
  EXPECT_EQ(From("o4", "usermod;bob;#chan;-5"),
            Only("o4", "Usermod: User modified(#chan-Unknown value)"));
  EXPECT_EQ(Bob("Rights_#chan"), "-5");
  EXPECT_EQ(From("o4", "usermod;bob;#chan;abc"),
            Only("o4", "Usermod: Error - <rights> has to be an integer value"));
  EXPECT_EQ(From("o4", "usermod;bob;#chan;"),
            Only("o4", "Usermod: Error - <rights> has to be an integer value"));
  EXPECT_EQ(Bob("Rights_#chan"), "-5");
}

TEST_F(UsermodTest, GeneralOwnerWithoutChannelKeyCanOnlyGrantMinusOne) {
  EXPECT_EQ(From("boss", "usermod;bob;#chan;0"),
            Only("boss", "Usermod: Error - Access rights too low"));
  EXPECT_EQ(From("boss", "usermod;bob;#chan;-1"),
            Only("boss", "Usermod: User modified(#chan-Channel not found)"));
  EXPECT_EQ(Bob("Rights_#chan"), "-1");
}

TEST_F(UsermodTest, GeneralScopeLimits) {
  EXPECT_EQ(From("boss", "usermod;bob;GENERAL;2"),
            Only("boss",
                 "Usermod: Error - can't add general owner with usermod. Use \"generalowner\" "
                 "instead."));
  EXPECT_EQ(From("boss", "usermod;bob;GENERAL;3"),
            Only("boss", "Usermod: Error - Access rights too low"));
  EXPECT_EQ(From("oper", "usermod;bob;GENERAL;1"),
            Only("oper", "Usermod: Error - Access rights too low"));
  EXPECT_EQ(Bob("Rights_General"), "0");
  EXPECT_EQ(From("boss", "usermod;bob;general;1"),
            Only("boss", "Usermod: User modified(general-Operator)"));
  EXPECT_EQ(From("boss", "usermod;bob;General;-1"),
            Only("boss", "Usermod: User modified(General-User not found)"));
  // The lower-case scope replaced the one key in place.
  EXPECT_NE(bot.ReadUsers().find("[bob]\nPassword=b\nRights_General=-1\n"), std::string::npos);
}

TEST_F(UsermodTest, UnknownUserIsAnsweredFirst) {
  EXPECT_EQ(From("v1", "usermod;ghost;#chan;9"),
            Only("v1", "Usermod: Error - User ghost not found"));
  EXPECT_EQ(From("guest", "usermod;ghost;#chan;9"),
            Only("guest", "Usermod: Error - Access rights too low"));
}

TEST_F(UsersTest, ChanownerWritesLevelFour) {
  bot.WriteUsers(kStaff + "[bob]\nPassword=b\n");
  EXPECT_EQ(From("boss", "chanowner;#chan;BOB"),
            Only("boss", "Chanowner: Added owner for channel #chan"));
  EXPECT_EQ(bot.ReadUsers(), kStaff + "[bob]\nPassword=b\nRights_#chan=4\n");
  EXPECT_EQ(From("boss", "chanowner;#chan;ghost"),
            Only("boss", "Chanowner: Error - No such user in my userfile"));
}

TEST_F(UsersTest, GeneralownerNeedsTheSecurityPassword) {
  bot.security_password = "Sesame";
  bot.WriteUsers(kStaff + "[bob]\nPassword=b\nRights_General=0\n");
  EXPECT_EQ(From("boss", "generalowner;ghost;Sesame"),
            Only("boss", "Generalowner: Error - No such user in my userfile"));
  EXPECT_EQ(From("boss", "generalowner;bob;Sesam"),
            Only("boss", "Generalowner: Error - Wrong security password"));
  EXPECT_EQ(bot.port.lines.back().color, bot.display.ImportantColor);
  EXPECT_EQ(From("boss", "generalowner;bob;sESAME"),
            Only("boss", "Generalowner: Added general owner bob"));
  EXPECT_EQ(bot.Shown().back(), "-> boss: Generalowner: Added general owner bob");
  EXPECT_EQ(bot.port.lines.back().color, bot.display.ImportantColor);
  EXPECT_EQ(bot.ReadUsers(), kStaff + "[bob]\nPassword=b\nRights_General=2\n");
}

}  // namespace
}  // namespace zelmo::testing
