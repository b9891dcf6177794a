#pragma once

#include <string>

namespace zelmo {

// The version text shown in the caption, the opening line, the default quit
// message and the CTCP VERSION answer.
inline std::string BotVersion() {
  return "v0.5";
}

}  // namespace zelmo
