#pragma once

#include <memory>
#include <string>

#include "shell/base/form_host.h"

namespace zelmo {

// Makes the bot's main form. The program folder holds Config.ini and the
// user file and ends with a path separator.
std::unique_ptr<FormFactory> MakeMainFormFactory(std::string program_folder);

}  // namespace zelmo
