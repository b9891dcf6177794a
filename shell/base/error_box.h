#pragma once

#include <exception>
#include <string>

namespace zelmo {

// The text of the program's error box: the error's message, with a full stop
// added when its last character sorts after "." (so "Connection refused."
// and "List index out of bounds (1)" stay as they are).
std::string ErrorBoxText(const std::string& message);

// The same for an error caught as it is: its message, or "Unknown error" for
// one that carries none.
std::string ErrorBoxText(std::exception_ptr error);

inline constexpr const char* kBoxTitle = "ZelmoBot";

}  // namespace zelmo
