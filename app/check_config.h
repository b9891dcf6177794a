#pragma once

#include <string>

namespace zelmo {

// zelmobot --check-config: reads the configuration of the data folder as a
// start would and prints every problem on standard output, one a line.
// Returns the exit status: 0 when there is none ("Config.ini and Users.ini:
// OK"), else 1. Nothing connects and no window opens.
int RunCheckConfig(const std::string& data_folder);

}  // namespace zelmo
