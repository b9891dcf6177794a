#pragma once

#include <optional>
#include <string>

namespace zelmo {

class FormFactory;

// Whether a desktop session is there to show a window on.
bool DisplayAvailable();

// Loads the window module from the program's folder (or, for an installed
// program, from ../lib/zelmobot/ beside it) and runs the window
// until it closes; returns its exit code. Returns nothing, with the reason
// in why_not, when the module cannot be loaded or lacks its entry.
std::optional<int> RunWindowFrontEnd(const std::string& program_folder, int argc, char** argv,
                                     FormFactory& factory, std::string& why_not);

}  // namespace zelmo
