#pragma once

#include <string>

namespace zelmo {

// The password for a new user. On a terminal it is asked on standard error
// and typed twice without echo (Ctrl-C cancels); otherwise it is the first
// line of standard input, a carriage return before its line feed dropped.
// Raises Exception when the two typed differ or the typing was cancelled.
std::string ReadNewPassword(const std::string& name);

}  // namespace zelmo
