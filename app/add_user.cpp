#include "app/add_user.h"

#include <iostream>

#include "app/options.h"
#include "app/password_input.h"
#include "shell/base/ini_file.h"
#include "users/command_line_user.h"

namespace zelmo {

namespace {

// The same file and default as the running bot's configuration load.
std::string UsersFileIn(const std::string& data_folder) {
  TIniFile config(data_folder + "Config.ini");
  return data_folder + config.ReadString("General", "Usersfile", "Users.ini");
}

}  // namespace

int RunAddUser(const StartOptions& options, const std::string& data_folder) {
  const std::string& name = options.new_user;
  try {
    const std::string users_file = UsersFileIn(data_folder);
    // Before the password is asked, so that nobody types one for nothing.
    CheckNewUserName(users_file, name);
    AddUserToFile(users_file, name, ReadNewPassword(name), options.owner);
    std::cout << "ZelmoBot: added " << (options.owner ? "the owner " : "the user ") << name
              << " to " << users_file << std::endl;
    return 0;
  } catch (const Exception& e) {
    std::cerr << "ZelmoBot: " << e.what() << std::endl;
    return 1;
  }
}

}  // namespace zelmo
