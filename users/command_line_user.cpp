#include "users/command_line_user.h"

#include "shell/base/errors.h"
#include "users/password_hash.h"
#include "users/user_file.h"

namespace zelmo {

void CheckNewUserName(const std::string& users_file, const std::string& name) {
  if (!UserFile::CanStoreUser(name)) {
    throw Exception("the user name '" + name +
                    "' cannot be stored in the user file (it is empty, begins or ends with a "
                    "blank, holds \"]\", a line break or NUL, or is Address, the name of the "
                    "login map)");
  }
  if (UserFile(users_file).HasUser(name)) {
    throw Exception("the user " + name + " exists already in " + users_file);
  }
}

void AddUserToFile(const std::string& users_file, const std::string& name,
                   const std::string& password, bool owner, bool hash_passwords) {
  CheckNewUserName(users_file, name);
  if (password.empty()) throw Exception("the password is empty");
  const std::string stored = PasswordToStore(password, hash_passwords);
  if (!UserFile::CanStoreValue(stored)) {
    throw Exception(
        "the password cannot be stored in the user file (it holds a line break or NUL)");
  }
  UserFile users(users_file);
  users.Write(name, kPasswordKey, stored);
  users.Write(name, RightsKey("General"), owner ? "2" : "0");
}

}  // namespace zelmo
