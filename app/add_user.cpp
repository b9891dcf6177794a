#include "app/add_user.h"

#include <iostream>
#include <utility>

#include "app/options.h"
#include "app/password_input.h"
#include "shell/base/config_read.h"
#include "shell/base/file_access.h"
#include "shell/base/ini_file.h"
#include "users/command_line_user.h"

namespace zelmo {

namespace {

struct UserFileSettings {
  std::string name;  // as Config.ini gives it
  std::string users_file;
  bool hash_passwords;
};

// The same file, default and password form as the running bot's
// configuration load; the other keys do not matter here.
UserFileSettings SettingsIn(const std::string& data_folder) {
  const TIniFile ini(data_folder + "Config.ini");
  std::string name = ConfigText(ini, config::kUsersfile);
  std::string users_file = data_folder + name;
  return {std::move(name), std::move(users_file), ConfigOn(ini, config::kHashPasswords)};
}

}  // namespace

int RunAddUser(const StartOptions& options, const std::string& data_folder) {
  const std::string& name = options.new_user;
  try {
    const UserFileSettings settings = SettingsIn(data_folder);
    const std::string& users_file = settings.users_file;
    // Before the password is asked, so that nobody types one for nothing.
    CheckNewUserName(users_file, name);
    // The running bot says the same at every start; a password is about to
    // go into the file, so it is said before it is typed.
    if (auto warning = SecretFileWarning(users_file, settings.name)) {
      std::cerr << "ZelmoBot: " << *warning << std::endl;
    }
    AddUserToFile(users_file, name, ReadNewPassword(name), options.owner, settings.hash_passwords);
    std::cout << "ZelmoBot: added " << (options.owner ? "the owner " : "the user ") << name
              << " to " << users_file << std::endl;
    return 0;
  } catch (const Exception& e) {
    std::cerr << "ZelmoBot: " << e.what() << std::endl;
    return 1;
  }
}

}  // namespace zelmo
