#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "users/account_names.h"

namespace zelmo {
namespace {

TEST(AccountNames, ListsTheCommandMayStore) {
  const std::string nine = "a,b,c,d,e,f,g,h,i";
  const std::string long_name(kMaxAccountNameBytes + 1, 'x');
  const std::pair<std::string_view, std::optional<std::string>> cases[] = {
      {"alice", std::nullopt},
      {"alice,Alice_Work", std::nullopt},
      {"a,b,c,d,e,f,g,h", std::nullopt},
      {std::string_view(long_name).substr(1), std::nullopt},
      {nine, "Account: Error - At most 8 accounts"},
      {long_name, "Account: Error - An account name has at most 64 characters"},
      {"alice,", "Account: Error - An account name is empty"},
      {"al ice", "Account: Error - al ice is not an account name"},
      {"*", "Account: Error - * is not an account name"},
      {"bob,0", "Account: Error - 0 is not an account name"},
      {"tab\there", "Account: Error - tab\there is not an account name"},
  };
  for (const auto& [list, error] : cases) EXPECT_EQ(AccountListError(list), error) << list;
}

TEST(AccountNames, ListedIgnoresCaseAndBlanksOfAHandEditedEntry) {
  const std::string ninth_listed = "a,b,c,d,e,f,g,h,alice";
  const struct {
    std::string_view list;
    std::string_view account;
    bool listed;
  } cases[] = {
      {"alice", "ALICE", true},
      {"bob, alice ", "alice", true},
      {"alice_work", "alice", false},
      {"", "", false},
      {"*,0", "*", false},
      {"*,0", "0", false},
      {ninth_listed, "alice", false},
      {ninth_listed, "h", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AccountListed(c.list, c.account), c.listed) << c.list << " / " << c.account;
  }
}

}  // namespace
}  // namespace zelmo
