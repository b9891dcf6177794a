#pragma once

#include <string>

namespace zelmo {

// The program's parts that pull in large libraries (the window, TLS, the
// terminal's line editor) are modules, loaded only when they are used.
// A module lies beside the program in the build folder, and in
// lib/zelmobot/ beside bin/ when installed.

// The folder of the running program, with a trailing "/"; empty when the
// system does not say.
std::string RunningProgramFolder();

// Where the module file is for a program in program_folder.
std::string ModulePath(const std::string& program_folder, const std::string& file);

// Loads the module (it stays loaded for the rest of the process: neither a
// toolkit nor OpenSSL goes away cleanly) and gives its entry; nullptr, with
// the reason in why_not, when it cannot be loaded or lacks the entry. Only
// an absolute path is loaded: a bare name (the program's folder unknown)
// would be looked for in the library path and the current folder.
void* LoadModuleEntry(const std::string& path, const char* entry, std::string& why_not);

}  // namespace zelmo
