#pragma once

#include <string>

namespace zelmo {

// The folder of the running program, with a trailing "/". Read from
// /proc/self/exe; the name the program was started by is the fallback.
std::string ProgramFolder(const char* argv0);

// The folder given with --data-dir, with a trailing "/". Raises Exception
// when it does not exist or is no folder.
std::string CheckedDataFolder(const std::string& dir);

// The data folder when no --data-dir is given, with a trailing "/": the
// program's folder when it holds a Config.ini, or when the program may write
// it and it is no bin folder; otherwise $XDG_CONFIG_HOME/zelmobot (by
// default ~/.config/zelmobot), made with mode 0700 when missing. Raises
// Exception when that folder cannot be made.
std::string DefaultDataFolder(const std::string& program_folder);

}  // namespace zelmo
