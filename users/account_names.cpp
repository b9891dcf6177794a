#include "users/account_names.h"

#include <algorithm>
#include <vector>

#include "shell/base/convert.h"
#include "users/split_params.h"

namespace zelmo {

namespace {

bool IsNameByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte > ' ' && byte != 0x7f && c != ',';
}

bool IsAccountName(std::string_view name) {
  return !name.empty() && name != "*" && name != "0" &&
         std::all_of(name.begin(), name.end(), IsNameByte);
}

}  // namespace

std::optional<std::string> AccountListError(std::string_view list) {
  const std::vector<std::string> names = SplitParams(list, ",");
  if (names.size() > kMaxUserAccounts) {
    return "Account: Error - At most " + std::to_string(kMaxUserAccounts) + " accounts";
  }
  for (const std::string& name : names) {
    if (name.size() > kMaxAccountNameBytes) {
      return "Account: Error - An account name has at most " +
             std::to_string(kMaxAccountNameBytes) + " characters";
    }
    if (name.empty()) return "Account: Error - An account name is empty";
    if (!IsAccountName(name)) return "Account: Error - " + name + " is not an account name";
  }
  return std::nullopt;
}

bool AccountListed(std::string_view list, std::string_view account) {
  if (!IsAccountName(account)) return false;
  std::size_t seen = 0;
  while (seen++ < kMaxUserAccounts) {
    const std::size_t comma = list.find(',');
    // A hand-edited entry may put blanks around its names.
    if (SameText(TrimBlanks(list.substr(0, comma)), account)) return true;
    if (comma == std::string_view::npos) return false;
    list.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace zelmo
