#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelmo {

// What is wrong with who may use a file that holds passwords, as one display
// text that names the file (by the name given) and what to do, such as
// "Users.ini is readable by other users: chmod 600 it"; nothing when only
// the user that runs the bot may read and write it, or when it is missing.
// A symbolic link is judged by the file it leads to.
std::optional<std::string> SecretFileWarning(const std::string& path, const std::string& name);

// What the bot will fail to do because it cannot read or write its data
// folder, Config.ini or the user file (named as given), one text each:
// "Users.ini cannot be written: logins and user changes will fail". A folder
// that cannot be written is told once for the files in it. Missing files
// that the folder lets the bot create are no fault.
std::vector<std::string> DataFileWarnings(const std::string& folder, const std::string& users_name);

}  // namespace zelmo
