#pragma once

#include <string>

namespace zelmo::bench {

// A user file of `users` users as a busy bot keeps it: each user with a
// password, general and channel rights, a login time and address, and one
// address map entry per user at the end of the file.
std::string UsersFileText(int users);
std::string UserAddress(int n);

}  // namespace zelmo::bench
