#pragma once

#include <string>

namespace zelmo {

struct StartOptions;

// zelmobot --add-user: adds the user to the user file that Config.ini in
// the data folder names, and reports on standard output. Returns the exit
// status: 0 when added, 1 with the reason on standard error when not.
int RunAddUser(const StartOptions& options, const std::string& data_folder);

}  // namespace zelmo
