#pragma once

#include <string>

namespace zelmo {

// The text written under Password for a password a person chose. Adding a
// user from the command line stores what this returns; today that is the
// password as typed, which logins compare without regard to letter case.
std::string PasswordToStore(const std::string& typed);

}  // namespace zelmo
