#pragma once

#include <string>
#include <vector>

namespace zelmo {

// Where a bot keeps its control socket, with a trailing "/": the service
// manager's runtime directory ($RUNTIME_DIRECTORY, the first of several),
// else a folder of its own per data folder in the user's runtime directory
// ($XDG_RUNTIME_DIR/zelmobot/<16 hex digits of the data folder's path>),
// else the data folder. Null or empty variables count as unset.
std::string RuntimeFolder(const std::string& data_folder, const char* runtime_directory,
                          const char* xdg_runtime_dir);

// Where a console looks for the bot of a data folder, in order: the folder
// above; the service's runtime folder when the data folder is a service's
// state folder (/var/lib/X, or /var/lib/private/X under a dynamic user, has
// /run/X); the data folder itself. Without duplicates.
std::vector<std::string> ConsoleSearchFolders(const std::string& data_folder,
                                              const char* runtime_directory,
                                              const char* xdg_runtime_dir);

// Makes the folder and the one above it, mode 0700, where missing.
void MakeRuntimeFolder(const std::string& folder);

}  // namespace zelmo
