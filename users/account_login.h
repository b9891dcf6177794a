#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "users/user_file.h"

namespace zelmo {

// What a login records, by password or by account: the user's address and
// login time, and the address map's one entry for the user (a login from a
// new address moves it).
void RecordLogin(UserFile& users, std::string_view name, std::string_view address);

// The first user (in file order) whose Account lists the account; none
// when no entry does.
std::optional<std::string> UserWithAccount(const UserFile& users, std::string_view account);

// Logs the person at the address in as the user whose Account lists the
// account, as a password login would, and notes the account the login was
// made by (Loginaccount). The user's name; none when no entry lists the
// account or the address cannot be stored.
std::optional<std::string> LoginByAccount(UserFile& users, std::string_view account,
                                          std::string_view address);

// Ends the login at the address when the account made it: the address is
// unmapped. A password login there is left alone. The user's name; none
// when nothing ended.
std::optional<std::string> LogoutByAccount(UserFile& users, std::string_view account,
                                           std::string_view address);

}  // namespace zelmo
