#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/lookup_settings.h"

namespace zelmo {

// One thing wrong with the configuration: the file (empty for the
// environment), the line when it is about one, and what is wrong, naming
// the section and key.
struct ConfigProblem {
  std::string file;
  std::optional<int> line;
  std::string text;
};

// Reads Config.ini and the user file of the data folder (with a trailing
// "/") as a start would, and tells every problem, each file's in line
// order: unknown sections and keys, values that cannot be used or that fall
// back to the default, files and folders the bot cannot read or write or
// that others may use, and rights in the user file that are no numbers.
std::vector<ConfigProblem> CheckConfiguration(const std::string& data_folder,
                                              const LookupEnvironment& environment);

// "Config.ini:3: [Me] Port: '99999' is not a port (1 to 65535)"
std::string ProblemLine(const ConfigProblem& problem);

}  // namespace zelmo
