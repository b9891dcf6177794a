#include <regex>

#include "users/account_login.h"
#include "users/login.h"
#include "users_fixture.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

class LoginTest : public UsersTest {
 protected:
  void SetUp() override {
    bot.WriteUsers(
        "[alice]\n"
        "Password=Wonder\n"
        "Rights_General=0\n"
        "\n"
        "[bob]\n"
        "Password=builder\n"
        "Rights_General=0\n");
  }
  std::string Users() const { return bot.ReadUsers(); }
  static int Count(const std::string& text, const std::string& piece) {
    int count = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
      ++count;
    }
    return count;
  }
};

TEST_F(LoginTest, LoginRecordsAddressTimeAndMapEntry) {
  EXPECT_EQ(From("ally", "a@home", "login;alice;WONDER"), Only("ally", "Login: Logged on"));
  const std::string users = Users();
  EXPECT_NE(users.find("[Address]\na@home=alice\n"), std::string::npos) << users;
  EXPECT_NE(users.find("Hostmask=a@home\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(users, std::regex("\nLogintime=[^\n]+\n"))) << users;
  // Whoever knows the password logs in, from any nick.
  EXPECT_EQ(From("mallory", "m@away", "login;alice;wonder"), Only("mallory", "Login: Logged on"));
}

TEST_F(LoginTest, NameIsStoredInTheMapAsTyped) {
  EXPECT_EQ(From("b", "b@h", "login;BOB;builder"), Only("b", "Login: Logged on"));
  EXPECT_NE(Users().find("b@h=BOB\n"), std::string::npos);
  // The map entry still finds the section.
  EXPECT_EQ(From("b", "b@h", "newpass;builder;x"),
            Only("b", "Newpass: Your password is now set to x"));
}

TEST_F(LoginTest, RefusalsChangeNothing) {
  bot.WriteUsers(
      "[alice]\nPassword=Wonder\n[nopw]\nRights_General=0\n[gone]\nPassword=-1\n[empty]\n");
  const std::string before = Users();
  EXPECT_EQ(From("x", "login;nobody;pw"), Only("x", "Login: Error - User not found"));
  EXPECT_EQ(From("x", "login;nopw;-1"), Only("x", "Login: Error - User not found"));
  EXPECT_EQ(From("x", "login;gone;-1"), Only("x", "Login: Error - User not found"));
  EXPECT_EQ(From("x", "login;empty;"), Only("x", "Login: Error - User not found"));
  EXPECT_EQ(From("x", "login;alice;wonder!"), Only("x", "Login: Wrong password"));
  // From another address: a sixth failure from one would be refused unread.
  EXPECT_EQ(From("x", "x@elsewhere", "login;alice;"), Only("x", "Login: Wrong password"));
  EXPECT_EQ(Users(), before);
}

TEST_F(LoginTest, SecondLoginFromSameAddressRefreshesTheTime) {
  bot.WriteUsers(
      "[Address]\na@home=alice\n[alice]\nPassword=Wonder\nHostmask=a@home\n"
      "Logintime=long ago\n");
  EXPECT_EQ(From("ally", "a@home", "login;alice;Wonder"), Only("ally", "Login: Logged on"));
  const std::string users = Users();
  EXPECT_EQ(Count(users, "a@home="), 1) << users;
  EXPECT_EQ(Count(users, "Logintime="), 1);
  EXPECT_EQ(users.find("long ago"), std::string::npos);
}

TEST_F(LoginTest, LoginFromNewAddressMovesTheEntry) {
  From("ally", "a@home", "login;alice;Wonder");
  From("ally", "a@work", "login;alice;Wonder");
  const std::string users = Users();
  EXPECT_EQ(users.find("a@home"), std::string::npos) << users;
  EXPECT_NE(users.find("a@work=alice\n"), std::string::npos);
  EXPECT_NE(users.find("Hostmask=a@work\n"), std::string::npos);
  // HostMask in other case is the same key.
  bot.WriteUsers("[Address]\nold@h=alice\n[alice]\nPassword=Wonder\nHostMask=old@h\n");
  From("ally", "new@h", "login;alice;Wonder");
  EXPECT_EQ(Users().find("old@h"), std::string::npos) << Users();
}

TEST_F(LoginTest, LaterLoginOwnsASharedAddress) {
  From("ally", "shared@h", "login;alice;Wonder");
  From("bobby", "shared@h", "login;bob;builder");
  EXPECT_NE(Users().find("shared@h=bob\n"), std::string::npos);
  EXPECT_EQ(Count(Users(), "shared@h="), 1);
  // Alice's next login elsewhere deletes the entry that now belongs to bob.
  From("ally", "a@else", "login;alice;Wonder");
  const std::string users = Users();
  EXPECT_EQ(users.find("shared@h="), std::string::npos) << users;
  EXPECT_NE(users.find("a@else=alice\n"), std::string::npos);
  EXPECT_EQ(From("bobby", "shared@h", "newpass;builder;x"),
            Only("bobby", "Newpass: Error - Access rights too low"));
}

TEST_F(LoginTest, NewpassChecksTheOldPassword) {
  From("ally", "a@home", "login;alice;Wonder");
  const std::string before = Users();
  EXPECT_EQ(From("ally", "a@home", "newpass;Wander;x"),
            Only("ally",
                 "Newpass: Error - Wander is not your old password. If you don't remember your "
                 "old password, contact my owner"));
  EXPECT_EQ(Users(), before);
  EXPECT_EQ(From("ally", "a@home", "newpass;wONDER;Rabbit Hole;ignored"),
            Only("ally", "Newpass: Your password is now set to Rabbit Hole"));
  EXPECT_EQ(From("x", "x@y", "login;alice;rabbit hole"), Only("x", "Login: Logged on"));
}

TEST_F(LoginTest, NewpassToEmptyAllowsAnEmptyLogin) {
  From("ally", "a@home", "login;alice;Wonder");
  EXPECT_EQ(From("ally", "a@home", "newpass;Wonder;"),
            Only("ally", "Newpass: Your password is now set to "));
  EXPECT_EQ(From("x", "x@y", "login;alice;"), Only("x", "Login: Logged on"));
}

TEST_F(LoginTest, NewpassToMinusOneMakesTheUserAbsentForLogin) {
  bot.WriteUsers(
      "[Address]\na@home=alice\nboss@host=boss\n[alice]\nPassword=Wonder\nRights_General=0\n"
      "[boss]\nRights_General=2\n");
  EXPECT_EQ(From("ally", "a@home", "newpass;Wonder;-1"),
            Only("ally", "Newpass: Your password is now set to -1"));
  EXPECT_EQ(From("x", "x@y", "login;alice;-1"), Only("x", "Login: Error - User not found"));
  EXPECT_EQ(From("boss", "userpass;alice"), Only("boss", "Userpass: alice - \"-1\""));
}

TEST_F(LoginTest, NewpassNeedsALogin) {
  EXPECT_EQ(From("ally", "a@home", "newpass;Wonder;x"),
            Only("ally", "Newpass: Error - Access rights too low"));
  EXPECT_EQ(ChangePassword(bot, "Wonder", "x", bot.User("ally", "a@home")),
            "Newpass: Error - You have to log in before you can use newpass");
  EXPECT_TRUE(bot.TakeSent().empty());
}

TEST_F(LoginTest, UserpassShowsTheStoredPassword) {
  bot.WriteUsers(kStaff + "[nopw]\nRights_General=0\n[empty]\n");
  EXPECT_EQ(From("boss", "userpass;OPER;x"), Only("boss", "Userpass: OPER - \"operpw\""));
  EXPECT_EQ(From("boss", "userpass;nopw"), Only("boss", "Userpass: nopw - \"-1\""));
  EXPECT_EQ(From("boss", "userpass;empty"), Only("boss", "Userpass: Error - User empty not found"));
  EXPECT_EQ(From("boss", "userpass;nobody"),
            Only("boss", "Userpass: Error - User nobody not found"));
  EXPECT_EQ(From("oper", "userpass;boss"), Only("oper", "Userpass: Error - Access rights too low"));
}

}  // namespace
}  // namespace zelmo::testing

namespace zelmo::testing {
namespace {

// Logins made by a services account: the entry found by its Account list,
// and only such a login ended when the account logs out.
TEST_F(LoginTest, AnAccountLogsInItsUserAndEndsOnlyItsOwnLogin) {
  bot.WriteUsers(
      "[alice]\nPassword=Wonder\nAccount=alice_work, Alice\n"
      "[bob]\nPassword=builder\nAccount=bob\n");
  UserFile users(bot);
  EXPECT_FALSE(LoginByAccount(users, "carol", "c@home"));
  EXPECT_EQ(LoginByAccount(users, "ALICE", "a@home"), "alice");
  EXPECT_EQ(users.UserAt("a@home"), "alice");
  EXPECT_EQ(users.Read("alice", kLoginaccountKey), "ALICE");
  // Another account, or a login the account did not make, ends nothing.
  EXPECT_FALSE(LogoutByAccount(users, "bob", "a@home"));
  EXPECT_EQ(From("bobby", "b@home", "login;bob;builder"), Only("bobby", "Login: Logged on"));
  EXPECT_FALSE(LogoutByAccount(users, "bob", "b@home"));
  EXPECT_EQ(LogoutByAccount(users, "alice", "a@home"), "alice");
  EXPECT_EQ(users.UserAt("a@home"), kAbsent);
  EXPECT_EQ(users.Read("alice", kLoginaccountKey), kAbsent);
  // A password login after an account login is no account's to end.
  EXPECT_EQ(LoginByAccount(users, "bob", "b@home"), "bob");
  EXPECT_EQ(From("bobby", "b@home", "login;bob;builder"), Only("bobby", "Login: Logged on"));
  EXPECT_FALSE(LogoutByAccount(users, "bob", "b@home"));
  EXPECT_EQ(users.UserAt("b@home"), "bob");
}

}  // namespace
}  // namespace zelmo::testing
