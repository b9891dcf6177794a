#pragma once

#include <string>
#include <string_view>

namespace zelmo {

// Passwords are stored either as typed or as a yescrypt hash of the
// upper-cased password (so that letter case still does not count). A stored
// value is a hash when it has the whole form that yescrypt writes:
// "$y$", parameters, "$", salt, "$" and 43 characters of hash. Any other
// value, one that merely begins with "$" included, is a plain password.
bool IsHashedPassword(std::string_view stored);

// A fresh hash of the password, with a new random salt. Raises Exception
// when the password cannot be hashed (a NUL byte, or longer than the
// library takes), so that nothing is stored for it.
std::string HashPassword(std::string_view password);

// Whether the typed password is the stored one: a hash is checked by the
// library and compared in constant time, a plain password compared as
// upper-cased text.
bool PasswordMatches(std::string_view stored, std::string_view typed);

// What to store for a password someone typed: its hash when hashing is on,
// else the password itself. "-1" stays as it is either way: it stands for
// no password.
std::string PasswordToStore(std::string_view typed, bool hash_passwords);

}  // namespace zelmo
