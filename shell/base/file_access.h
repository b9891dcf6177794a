#pragma once

#include <optional>
#include <string>

namespace zelmo {

// What is wrong with who may use a file that holds passwords, as one display
// text that names the file (by the name given) and what to do, such as
// "Users.ini is readable by other users: chmod 600 it"; nothing when only
// the user that runs the bot may read and write it, or when it is missing.
// A symbolic link is judged by the file it leads to.
std::optional<std::string> SecretFileWarning(const std::string& path, const std::string& name);

}  // namespace zelmo
