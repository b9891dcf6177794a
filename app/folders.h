#pragma once

#include <string>

namespace zelmo {

// The folder of the running program, with a trailing "/". Read from
// /proc/self/exe; the name the program was started by is the fallback.
std::string ProgramFolder(const char* argv0);

// The folder given with --data-dir, with a trailing "/". Raises Exception
// when it does not exist or is no folder.
std::string CheckedDataFolder(const std::string& dir);

}  // namespace zelmo
