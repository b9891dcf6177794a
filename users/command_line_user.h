#pragma once

#include <string>

namespace zelmo {

// Adding a user without a running bot (zelmobot --add-user), which is how
// the first owner is made: on IRC only an owner can make another.

// Raises Exception, with a text for the operator, when the name is taken
// (in any letter case) or the user file cannot hold it.
void CheckNewUserName(const std::string& users_file, const std::string& name);

// Writes the user's Password (hashed when hash_passwords is set, as
// [General] HashPasswords asks) and Rights_General (2 for an owner, else 0)
// through the crash-safe store. Raises Exception, and writes nothing, when
// the name fails CheckNewUserName or the password is empty or cannot be
// stored; a write the file system refuses raises EIniFileException.
void AddUserToFile(const std::string& users_file, const std::string& name,
                   const std::string& password, bool owner, bool hash_passwords);

}  // namespace zelmo
