#include "users/account_login.h"

#include "shell/base/convert.h"
#include "shell/base/datetime.h"
#include "users/account_names.h"

namespace zelmo {

void RecordLogin(UserFile& users, std::string_view name, std::string_view address) {
  const std::string old_address = users.Read(name, kHostmaskKey);
  if (old_address != address) users.UnmapAddress(old_address);
  users.Write(name, kHostmaskKey, address);
  users.Write(name, kLogintimeKey, NowText());
  users.MapAddress(address, name);
}

std::optional<std::string> UserWithAccount(const UserFile& users, std::string_view account) {
  for (const std::string& name : users.SectionNames()) {
    if (UserFile::IsAddressMap(name)) continue;
    const std::string listed = users.Read(name, kAccountKey);
    if (listed != kAbsent && AccountListed(listed, account)) return name;
  }
  return std::nullopt;
}

std::optional<std::string> LoginByAccount(UserFile& users, std::string_view account,
                                          std::string_view address) {
  if (!UserFile::CanStoreAddress(address)) return std::nullopt;
  std::optional<std::string> name = UserWithAccount(users, account);
  if (!name) return std::nullopt;
  RecordLogin(users, *name, address);
  users.Write(*name, kLoginaccountKey, account);
  return name;
}

std::optional<std::string> LogoutByAccount(UserFile& users, std::string_view account,
                                           std::string_view address) {
  const std::string name = users.UserAt(address);
  if (name == kAbsent) return std::nullopt;
  const std::string made_by = users.Read(name, kLoginaccountKey);
  if (made_by == kAbsent || !SameText(made_by, account)) return std::nullopt;
  users.UnmapAddress(address);
  users.Erase(name, kLoginaccountKey);
  return name;
}

}  // namespace zelmo
