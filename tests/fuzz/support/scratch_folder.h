#pragma once

#include <string>

namespace zelmo::fuzz {

// A new folder for a run's files, in memory where the system offers it;
// removed with its content when the process exits normally.
std::string MakeScratchFolder(const std::string& stem);

}  // namespace zelmo::fuzz
