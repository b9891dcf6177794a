#include <algorithm>
#include <string>
#include <vector>

#include "irc/protocol/peer_bounds.h"
#include "shell/mainunit.h"
#include "users/account_commands.h"

// login;<user> from a person whose services account the bot does not know
// yet: the server is asked (WHOIS) and the login answered when it tells,
// or when the lookup ends without an answer.

namespace zelmo {

bool TMainForm::AwaitAccount(const TIdIRCUser& user, const std::string& name) {
  if (IRC.ConnectionState() != stConnected || user.Nick().empty()) return false;
  if (account_waits_.size() >= kMaxAccountLookups) account_waits_.pop_front();
  account_waits_.push_back(AccountWait{user.Nick(), user.Address, name});
  IRC.LookUpAccount(user.Nick(), user.Address);
  return true;
}

void TMainForm::AnswerAccountLogins(const TIdIRCUser& user) {
  std::vector<std::string> names;
  std::erase_if(account_waits_, [&](const AccountWait& wait) {
    const bool answered = SameText(wait.nick, user.Nick()) && wait.address == user.Address;
    if (answered) names.push_back(wait.name);
    return answered;
  });
  for (const std::string& name : names) {
    RunCommandFailingSilently([&] { AnswerLoginByAccount(*this, user, name); });
  }
}

}  // namespace zelmo
