#include "users/account_commands.h"
#include "users_fixture.h"

namespace zelmo::testing {
namespace {

class AccountCommand : public UsersTest {};

// Who may set a user's accounts, and what is stored.
TEST_F(AccountCommand, OwnersAndTheUserItselfSetTheList) {
  struct Case {
    const char* nick;
    const char* text;
    const char* reply;
  };
  const Case cases[] = {
      {"oper", "account;plain;pa", "Account: Error - Access rights too low"},
      {"plain", "account;PLAIN;pa,pb", "Account: PLAIN is now known by pa,pb"},
      {"boss", "account;nobody;x", "Account: Error - User nobody not found"},
      {"boss", "account;Address;x", "Account: Error - User Address not found"},
      {"boss", "account;oper;a b", "Account: Error - a b is not an account name"},
      {"boss", "account;oper;*", "Account: Error - * is not an account name"},
      {"boss", "account;oper", "Account: Error - Not enough parameters"},
      {"boss", "account;oper;op_acct", "Account: oper is now known by op_acct"},
      {"boss", "account;plain;-", "Account: plain is no longer known by an account"},
  };
  for (const Case& c : cases) EXPECT_EQ(From(c.nick, c.text), Only(c.nick, c.reply)) << c.text;
  EXPECT_EQ(From("boss", "userinfo;oper"),
            (std::vector<std::string>{To("boss", "oper: Login time(-1) General rights(Operator)"),
                                      To("boss", "Account: op_acct")}));
  EXPECT_EQ(From("boss", "userinfo;plain").size(), 1u);
}

// login;<user> logs in by the sender's account only with logins by
// account on and the account in the user's list.
TEST_F(AccountCommand, ALoginWithoutPasswordTakesTheSendersAccount) {
  EXPECT_EQ(From("boss", "account;oper;op_acct"),
            Only("boss", "Account: oper is now known by op_acct"));
  bot.User("ally", "a@away").Account = "OP_ACCT";
  const auto not_enough = Only("ally", "Login: Error - Not enough parameters");
  EXPECT_EQ(From("ally", "a@away", "login;oper"), not_enough);
  bot.account_login = true;
  EXPECT_EQ(From("ally", "a@away", "login;plain"), not_enough);
  EXPECT_EQ(From("ally", "a@away", "login"), not_enough);
  EXPECT_EQ(From("ally", "a@away", "login;oper"), Only("ally", "Login: Logged on"));
  EXPECT_NE(bot.ReadUsers().find("a@away=oper"), std::string::npos);
  bot.User("eve", "e@away");
  EXPECT_EQ(From("eve", "e@away", "login;oper"),
            Only("eve", "Login: Error - Not enough parameters"));
  // An unknown account is asked for when the user has accounts, and the
  // login answered once it is told.
  bot.awaits_account = true;
  const auto eve_not_enough = Only("eve", "Login: Error - Not enough parameters");
  EXPECT_EQ(From("eve", "e@away", "login;plain"), eve_not_enough);
  EXPECT_EQ(From("eve", "e@away", "login;oper"), std::vector<std::string>{});
  EXPECT_EQ(bot.awaited, std::vector<std::string>{"eve oper"});
  AnswerLoginByAccount(bot, bot.User("eve", "e@away"), "oper");
  EXPECT_EQ(bot.TakeSent(), eve_not_enough);
  bot.User("eve", "e@away").Account = "op_acct";
  AnswerLoginByAccount(bot, bot.User("eve", "e@away"), "oper");
  EXPECT_EQ(bot.TakeSent(), Only("eve", "Login: Logged on"));
}

}  // namespace
}  // namespace zelmo::testing
